#pragma once
// The text dialog (178): the string, colour and font of one free text of a
// plot. Its position travels through the dialog unchanged (two hidden
// fields). OK with an empty string asks the caller to delete the text;
// "Delete Text" empties the string and closes with OK.

#include "analysis/PlotTextService.h"
#include "platform/core/Canvas.h"
#include "platform/qt/Dialog.h"

#include <string>

class CPlotTextDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 178 };
    static constexpr int kText = 1350;
    static constexpr int kPositionX = 1353;
    static constexpr int kPositionY = 1352;
    static constexpr int kColor = 1348;
    static constexpr int kFont = 1349;
    static constexpr int kSwatch = 1354;
    static constexpr int kDeleteText = 1358;

    explicit CPlotTextDlg(QWidget* parent = nullptr);

    // The colour dialog on the current colour; OK takes its choice.
    void OnColor();
    // The font dialog on the font in screen sizes (logical sizes / 25); OK
    // takes its choice with the sizes times 25, Cancel keeps the font.
    void OnFont();
    void OnDeleteText();

    zel::COLORREF m_Color = zel::RGB(0, 0, 0);
    zel::LOGFONT m_LogFont; // sizes in the plot's logical units
    int m_nPositionX = 0;
    int m_nPositionY = 0;
    std::string m_strText;

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    // The 20 x 20 swatch of the current colour.
    void OnPaint();
};

// The text dialog of the application for CPlot::EditText; shown on the UI
// thread.
class CQtPlotTextService : public CPlotTextService {
public:
    bool EditPlotText(SPlotTextFields& fields) override;
};
