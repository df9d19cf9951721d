#pragma once
// The page set-up dialog (145): the plot's title and whether it is shown, a
// description, the paper size, the four margins, the orientation and the
// length unit. Every length is shown in the page's current unit. The plot
// changes only when OK has found every entry good: then the title, the page
// record and the border are written at once; a refused entry (with its
// message) leaves the dialog open and the plot as it was.

#include "analysis/PlotParts.h"
#include "platform/qt/Dialog.h"

class CPlot;

class CPageSetupDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 145 };
    static constexpr int kTitle = 1074;
    static constexpr int kDisplay = 1115;
    static constexpr int kDescription = 1075;
    static constexpr int kA4 = 1061;
    static constexpr int kA3 = 1062;
    static constexpr int kLetter = 1063;
    static constexpr int kWidth = 1064;
    static constexpr int kHeight = 1065;
    static constexpr int kPortrait = 1066;
    static constexpr int kLandscape = 1067;
    static constexpr int kMm = 1068;
    static constexpr int kInch = 1069;
    static constexpr int kLeft = 1070;
    static constexpr int kRight = 1071;
    static constexpr int kTop = 1072;
    static constexpr int kBottom = 1073;

    // Messages of refused entries.
    static constexpr const char* kSameTitle = "Plot with same title and density already exists";
    static constexpr const char* kBadLength = "Length should be grater than 0";
    static constexpr const char* kBadLeft = "Left border should be grater than 0";
    static constexpr const char* kBadRight = "Right border should be grater than 0";
    static constexpr const char* kBadTop = "Top border should be grater than 0";
    static constexpr const char* kBadBottom = "Bottom border should be grater than 0";
    static constexpr const char* kNoWidthLeft =
        "Left and right border together should be less than the paper width";
    static constexpr const char* kNoHeightLeft =
        "Top and bottom border together should be less than the paper height";

    CPageSetupDlg(CPlot* plot, QWidget* parent = nullptr);

    // The paper-size buttons: fixed sizes in the unit and orientation checked.
    void OnA4();
    void OnA3();
    void OnLetter();
    // The unit buttons convert the six lengths; the orientation buttons
    // exchange width and height. A click on the choice in force does nothing.
    void OnMm();
    void OnInch();
    void OnPortrait();
    void OnLandscape();
    // A change of the width or height text: no paper-size button stays checked.
    void OnChangePaperSize();

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void SetPaper(const char* width, const char* height);
    bool IsChecked(int id) const;
    void Check(int id, bool checked);
    void ClearPaperButtons();
    // The number a length field holds; 0 for text that is not a number.
    double Value(int id) const;
    // Refuses with the message (the dialog stays open): false.
    bool Refuse(const char* message);

    CPlot* m_pPlot;
    CPageSetup m_PageSetup; // working copy of the plot's page
    int m_bPortrait = 1;
    int m_bMM = 1;
};
