#include "plots/PlotPage.h"

zel::CRect BorderClipRect(zel::CCanvas& dc, const CPlot& plot) {
    const zel::CPoint previous = dc.GetWindowOrg();
    dc.SetWindowOrg(-plot.PageWidth() / 2, plot.PageHeight() / 2);
    const zel::CRect border = plot.GetBorder()->GetRect();
    const zel::CPoint topLeft = dc.LPtoDP({border.left, border.top});
    const zel::CPoint bottomRight = dc.LPtoDP({border.right, border.bottom});
    dc.SetWindowOrg(previous.x, previous.y);
    return {topLeft.x, topLeft.y, bottomRight.x + 1, bottomRight.y + 1};
}

void DrawPlotPage(zel::CCanvas& dc, CPlot* plot) {
    if (!plot) {
        dc.TextOut(0, 0, kPlotNotDefined);
        return;
    }
    dc.SetClipRect(BorderClipRect(dc, *plot));
    plot->Draw(dc);
    dc.SetClipRect(std::nullopt);
    // The clip cuts the border's line lengthwise: the whole line on top, so
    // that a printed page and its preview show the same frame.
    plot->DrawBorderOutline(dc);
}

void DrawPlotTextsOnly(zel::CCanvas& dc, CPlot* plot) {
    if (!plot) return;
    dc.SetClipRect(BorderClipRect(dc, *plot));
    plot->DrawTexts(dc);
    dc.SetClipRect(std::nullopt);
}

CPlotText* FindPlotText(CPlot& plot, zel::CPoint point) {
    for (const auto& text : *plot.GetTextList())
        if (text->GetBox().Contains(point)) return text.get();
    return nullptr;
}
