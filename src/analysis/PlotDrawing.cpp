// The page of a plot: the page transform, the border, the orientation triad,
// the title and the free texts, fitting the molecule into the page, editing
// the free texts and the export as an enhanced metafile.
//
// Every conversion of a page length to logical units truncates toward zero;
// halves of W and H are integer halves.

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string_view>

#include "analysis/Molecule.h"
#include "analysis/Plot.h"
#include "analysis/PlotTextService.h"
#include "platform/core/FileChooser.h"
#include "platform/core/MetafileService.h"
#include "platform/core/Prompt.h"

using zel::CPoint;
using zel::TruncToInt;

namespace {

constexpr const char* kMetafileFilter = "Windows Meta File (*.emf)|*.emf|\t\t All Files (*.*)|*.*|";

// The factor of DrawBorder and DrawTitle: from the page's mm flag.
double PageUnits(const CPageSetup& page) {
    return page.m_bMM ? 100.0 : 2540.0;
}

} // namespace

int CPlot::PageWidth() const {
    return TruncToInt(m_nUnitsFactor * m_PageSetup.m_dPaperWidth);
}

int CPlot::PageHeight() const {
    return TruncToInt(m_nUnitsFactor * m_PageSetup.m_dPaperHeight);
}

void CPlot::UpdateBorderRect() {
    // The drawing scale is in page units per bohr: it follows a change of the
    // units here, so that ApplyUnits, whether it runs before or after, finds
    // nothing left to convert and the scale is converted once.
    ConvertDrawScale(m_PageSetup.m_bMM ? 100 : 2540);
    const double u = m_nUnitsFactor;
    const int h = PageHeight();
    const int w = PageWidth();
    // In doubles, then truncated: a damaged page must not overflow an int.
    m_Border.SetRect(TruncToInt(double(-w / 2) + TruncToInt(u * m_PageSetup.m_dMarginLeft)),
                     TruncToInt(double(h / 2) - TruncToInt(u * m_PageSetup.m_dMarginTop)),
                     TruncToInt(double(w / 2) - TruncToInt(u * m_PageSetup.m_dMarginRight)),
                     TruncToInt(double(-h / 2) + TruncToInt(u * m_PageSetup.m_dMarginBottom)));
}

void CPlot::ApplyUnits() {
    ConvertDrawScale(m_PageSetup.m_wUnits);
}

void CPlot::ConvertDrawScale(int unitsFactor) {
    if (m_nUnitsFactor < unitsFactor) {
        m_nUnitsFactor = unitsFactor;
        m_dDrawScale /= 25.4;
    } else if (m_nUnitsFactor > unitsFactor) {
        m_nUnitsFactor = unitsFactor;
        m_dDrawScale *= 25.4;
    }
}

void CPlot::Draw(zel::CCanvas& dc) {
    dc.SetWindowOrg(-PageWidth() / 2, PageHeight() / 2);
    if (m_Border.IsVisible()) DrawBorder(dc);
    if (m_Axes.IsVisible()) DrawAxesTriad(dc);
}

void CPlot::DrawBorderOutline(zel::CCanvas& dc) {
    if (!m_Border.IsVisible()) return;
    const zel::SBrush previous = dc.SelectBrush({zel::RGB(255, 255, 255), true});
    DrawBorder(dc);
    dc.SelectBrush(previous);
}

void CPlot::DrawBorder(zel::CCanvas& dc) {
    const double u = PageUnits(m_PageSetup);
    dc.SetWindowOrg(-TruncToInt(u * m_PageSetup.m_dPaperWidth) / 2,
                    TruncToInt(u * m_PageSetup.m_dPaperHeight) / 2);
    const zel::SPen previous = dc.SelectPen({zel::PS_SOLID, 0, m_Border.GetColor()});
    // Filled: the inside takes the canvas's brush.
    dc.Rectangle(m_Border.GetRect());
    dc.SelectPen(previous);
}

void CPlot::DrawAxesTriad(zel::CCanvas& dc) {
    const zel::SPen red{zel::PS_SOLID, 0, zel::RGB(255, 0, 0)};
    const zel::SPen green{zel::PS_SOLID, 0, zel::RGB(0, 255, 0)};
    const zel::SPen blue{zel::PS_SOLID, 0, zel::RGB(0, 0, 255)};
    const zel::LOGFONT previousFont = dc.SelectFont(m_Axes.GetLogFont());
    dc.SetTextColor(m_Axes.GetColor());
    dc.SetTextAlign(zel::TA_CENTER | zel::TA_TOP);

    const double u = m_nUnitsFactor;
    const int w = PageWidth();
    const int h = PageHeight();
    const int x0 = TruncToInt((w / 2 - 1500) - u * m_PageSetup.m_dMarginRight);
    const int y0 = TruncToInt((h / 2 - 1700) - u * m_PageSetup.m_dMarginBottom);
    const CPoint origin{x0, -y0};

    dc.SetWindowOrg(-w / 2, h / 2);
    const zel::SPen previousPen = dc.SelectPen(red);

    // The projected corners (1,0,0), (0,1,0), (0,0,1), (1,1,0), (0,1,1),
    // (1,1,1), (1,0,1), and the coordinate of largest size among them.
    static const std::array<CVector, 7> kCorners = {CVector{1, 0, 0}, CVector{0, 1, 0}, CVector{0, 0, 1},
                                                    CVector{1, 1, 0}, CVector{0, 1, 1}, CVector{1, 1, 1},
                                                    CVector{1, 0, 1}};
    std::array<CPoint, 7> kept;
    int m = 0;
    bool first = true;
    for (std::size_t i = 0; i < kCorners.size(); ++i) {
        const CVector q = ToPlotCoords(kCorners[i]) * 1000.0;
        kept[i] = {TruncToInt(q.x), TruncToInt(q.y)};
        for (int value : {kept[i].x, kept[i].y}) {
            if (first || std::abs(double(value)) > std::abs(double(m))) m = value;
            first = false;
        }
    }

    // A cube seen end-on as a point has no scale: no triad then.
    if (m != 0) {
        // (a * 1000) / |m| rather than a * (1000 / |m|): the largest
        // coordinate comes out at exactly 1000.
        const double size = std::abs(double(m));
        std::array<CPoint, 7> p;
        for (std::size_t i = 0; i < kept.size(); ++i)
            p[i] = {TruncToInt(kept[i].x * 1000.0 / size + x0), TruncToInt(kept[i].y * 1000.0 / size - y0)};

        const char* labels[] = {"x", "y", "z"};
        const zel::SPen pens[] = {red, green, blue};
        for (int axis = 0; axis < 3; ++axis) {
            dc.SelectPen(pens[axis]);
            dc.MoveTo(origin.x, origin.y);
            dc.LineTo(p[axis].x, p[axis].y);
            dc.TextOut(p[axis].x + 200, p[axis].y, labels[axis]);
        }
        dc.SelectPen(previousPen);
        const CPoint edges[] = {p[3], p[1], p[4], p[5], p[3], p[0], p[6], p[2], p[4]};
        dc.Polyline(edges);
        dc.MoveTo(p[6].x, p[6].y);
        dc.LineTo(p[5].x, p[5].y);
    } else {
        dc.SelectPen(previousPen);
    }
    dc.SelectFont(previousFont);
    dc.SetTextColor(zel::RGB(0, 0, 0));
}

void CPlot::DrawTitle(zel::CCanvas& dc) {
    const zel::LOGFONT previous = dc.SelectFont(m_Title.GetLogFont());
    dc.SetTextColor(m_Title.GetColor());
    const double u = PageUnits(m_PageSetup);
    dc.SetWindowOrg(-TruncToInt(u * m_PageSetup.m_dPaperWidth) / 2,
                    TruncToInt(u * m_PageSetup.m_dPaperHeight) / 2);
    const std::string text = m_Title.GetText();
    const zel::CSize extent = dc.GetTextExtent(text);
    dc.TextOut(-(extent.cx / 2), TruncToInt(double(m_Border.GetRect().bottom) + extent.cy), text);
    dc.SelectFont(previous);
    dc.SetTextColor(zel::RGB(0, 0, 0));
}

void CPlot::DrawTexts(zel::CCanvas& dc) {
    const int w = PageWidth();
    const int h = PageHeight();
    dc.SetWindowOrg(-w / 2, h / 2);
    dc.SetTextAlign(zel::TA_LEFT | zel::TA_TOP);
    for (const auto& text : m_TextList) {
        dc.SetTextColor(text->GetColor());
        const zel::LOGFONT previous = dc.SelectFont(text->GetLogFont());
        const CPoint at = text->GetPosition();
        dc.TextOut(TruncToInt(double(at.x) - w / 2), TruncToInt(double(h / 2) + at.y), text->GetText());
        dc.SelectFont(previous);
    }
    dc.SetTextColor(zel::RGB(0, 0, 0));
    if (m_Title.IsVisible()) DrawTitle(dc);
}

void CPlot::DrawNotComputed(zel::CCanvas& dc) {
    CPlot::Draw(dc);
    dc.SetWindowOrg(-PageWidth() / 2, PageHeight() / 2);
    const zel::LOGFONT previous = dc.SelectFont(m_LogFont);
    dc.SetTextColor(zel::RGB(0, 0, 0));
    dc.SetTextAlign(zel::TA_CENTER | zel::TA_TOP);
    dc.TextOut(0, 0, m_bComputeCancelled == kComputeFailed ? kFailedLine : kCancelledLine);
    dc.SelectFont(previous);
    DrawTexts(dc);
}

void CPlot::FitToPage(zel::CCanvas& dc, double* centreX, double* centreY, double* scale) {
    const int reserveUnit = TruncToInt(1.2 * dc.GetTextMetrics().MaxCharWidth);

    // The box always holds the origin.
    CVector lower;
    CVector upper;
    auto widen = [&](CVector position) {
        const CVector p = ToPlotCoords(position);
        lower = {std::min(lower.x, p.x), std::min(lower.y, p.y), std::min(lower.z, p.z)};
        upper = {std::max(upper.x, p.x), std::max(upper.y, p.y), std::max(upper.z, p.z)};
    };
    if (m_pMolecule) {
        for (const auto& atom : m_pMolecule->GetAtomList())
            widen(atom->GetPosition());
        for (int type : {-3, -1, 1, 3})
            for (const auto& point : *m_pMolecule->GetList(type))
                widen(point->GetPosition());
    }
    *centreX = (lower.x + upper.x) / 2;
    *centreY = (lower.y + upper.y) / 2;

    const int reserve = m_nUnitsFactor > 0 ? (3 * reserveUnit) / m_nUnitsFactor : 0;
    const double width = m_PageSetup.PrintableWidth() - reserve;
    const double height = m_PageSetup.PrintableHeight() - reserve;
    double d = (upper - lower).Length();
    // Nothing away from the origin: one bohr fills the smaller side.
    if (!(d > 0.0) || !std::isfinite(d)) d = 1.0;
    // A reserve for the labels larger than the room inside the margins would
    // give a negative scale, which mirrors the molecule: the room without the
    // reserve then (the page dialog keeps it positive).
    const auto room = [reserve](double available) {
        return available > 0.0 ? available : available + reserve;
    };
    const double w = room(width);
    const double h = room(height);
    *scale = h / d > w / d ? w / d : h / d;
}

void CPlot::EditText(zel::CCanvas& dc, int x, int y) {
    dc.SetTextAlign(zel::TA_LEFT | zel::TA_TOP);
    m_bTextEditScratch = 1;
    auto measure = [&dc](CPlotText& text) {
        const zel::LOGFONT previous = dc.SelectFont(text.GetLogFont());
        text.SetExtent(dc.GetTextExtent(text.GetText()));
        dc.SelectFont(previous);
    };
    auto take = [](CPlotText& text, const SPlotTextFields& fields) {
        text.SetText(fields.text);
        text.SetPosition({fields.x, fields.y});
        text.SetColor(fields.color);
        text.SetLogFont(fields.font);
    };

    // Overlapping texts are offered one after the other. A text deleted on
    // the way leaves the list before the scan goes on.
    for (auto it = m_TextList.begin(); it != m_TextList.end();) {
        CPlotText& text = **it;
        if (!text.GetBox().Contains({x, y})) {
            ++it;
            continue;
        }
        SPlotTextFields fields{text.GetText(), text.GetColor(), text.GetLogFont(), text.GetPosition().x,
                               text.GetPosition().y};
        const bool ok = EditPlotText(fields);
        m_bTextEditScratch = 0;
        if (ok && fields.text.empty()) {
            it = m_TextList.erase(it);
            continue;
        }
        if (ok) {
            take(text, fields);
            measure(text);
        }
        ++it;
    }
    if (!m_bTextEditScratch) return;

    auto text = std::make_unique<CPlotText>();
    SPlotTextFields fields{text->GetText(), zel::RGB(0, 0, 0), text->GetLogFont(), x, y};
    if (EditPlotText(fields) && !fields.text.empty()) {
        take(*text, fields);
        measure(*text);
        m_TextList.push_back(std::move(text));
    }
}

namespace {

// The name Export proposes: the plot's title, with the characters a file
// name cannot hold (here or on the systems the file may travel to) replaced.
std::string ProposedMetafileName(const std::string& title) {
    std::string name;
    for (const unsigned char c : title)
        name += (c < 32 || std::string_view("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
                    ? '_'
                    : static_cast<char>(c);
    const std::size_t first = name.find_first_not_of(" .");
    const std::size_t last = name.find_last_not_of(" .");
    name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
    return (name.empty() ? std::string("plot") : name) + ".emf";
}

} // namespace

void CPlot::ExportEMF(zel::CCanvas& reference) {
    m_pMetaFile.reset();
    zel::SFileRequest request;
    request.save = true;
    request.filter = kMetafileFilter;
    request.defaultExtension = "emf";
    request.overwritePrompt = true;
    request.fileName = ProposedMetafileName(m_Title.GetText());
    // Beside the document, when it has been saved.
    if (const IMoleculeDocument* document = m_pMolecule ? m_pMolecule->GetDocument() : nullptr)
        if (const std::string saved = document->GetDocumentPath(); !saved.empty())
            request.directory = std::filesystem::path(saved).parent_path().string();
    const std::optional<std::string> path = zel::ChooseFile(request);
    if (!path) return;

    // "Zelmora", NUL, the file name, two NULs.
    std::string description = "Zelmora";
    description += '\0';
    description += std::filesystem::path(*path).filename().string();
    description += std::string(2, '\0');
    std::string error;
    m_pMetaFile = zel::CreateMetafile(*path, reference, description, error);
    if (!m_pMetaFile) {
        zel::ShowMessageBox("Could not create file " + *path + ": " + error, zel::PromptButtons::OK,
                            zel::PromptIcon::Error);
        return;
    }
    m_strMetaFilePath = *path;
    zel::CCanvas& dc = *m_pMetaFile;
    dc.SetWindowOrg(-PageWidth() / 2, PageHeight() / 2);
    // Nothing outside the border reaches the file.
    const zel::CRect border = m_Border.GetRect();
    const CPoint topLeft = dc.LPtoDP({border.left, border.top});
    const CPoint bottomRight = dc.LPtoDP({border.right, border.bottom});
    dc.SetClipRect(zel::CRect{topLeft.x, topLeft.y, bottomRight.x + 1, bottomRight.y + 1});
}

void CPlot::DrawAndCloseMetafile() {
    if (!m_pMetaFile) return;
    Draw(*m_pMetaFile);
    std::unique_ptr<zel::CMetafileCanvas> metafile = std::move(m_pMetaFile);
    if (!metafile->Close())
        zel::ShowMessageBox("Could not write file " + m_strMetaFilePath + ": " + metafile->ErrorText(),
                            zel::PromptButtons::OK, zel::PromptIcon::Error);
}
