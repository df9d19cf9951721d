#pragma once
// The option dialogs: each works on its own copy of one option record (current
// and default values) and on one edit value per control, which start as the
// current values. "Reset to Defaults" reads the fields (a refused one shows its
// message), then shows the copy's defaults. The caller copies the edit values
// into the molecule's record after OK (OptionCommands.h).

#include "numerics/Options.h"
#include "platform/qt/Dialog.h"

inline constexpr int kResetToDefaults = 1041;

// Linear algebra (dialog 137).
class CLAOptionDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 137 };
    static constexpr int kMaxQLIterations = 1042;
    static constexpr int kPivotThreshold = 1043;

    CLAOptionDlg(CLAOptions options, QWidget* parent = nullptr);

    CLAOptions m_Options;
    int m_nMaxQLIterations;
    double m_dPivotThreshold;

    // "Reset to Defaults".
    void OnResetDefaults();

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
};

// Critical points and the Newton iteration (dialog 139).
class CCritOptionDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 139 };
    static constexpr int kMinDistance = 1044;
    static constexpr int kStepFactor = 1045;
    static constexpr int kStepTolerance = 1046;
    static constexpr int kGradientTolerance = 1047;
    static constexpr int kMaxIterations = 1048;

    CCritOptionDlg(CCritOptions options, QWidget* parent = nullptr);

    CCritOptions m_Options;
    double m_dMinDistance;
    double m_dStepTolerance;
    double m_dGradientTolerance;
    int m_nMaxIterations;
    double m_dStepFactor;

    // "Reset to Defaults".
    void OnResetDefaults();

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
};

// Gradient paths (dialog 143). The point distance and the two accuracies must
// be positive: the tracers would never end a path otherwise.
class CDEOptionsDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 143 };
    static constexpr int kPointDistance = 1044;
    static constexpr int kMaxPathLength = 1045;
    static constexpr int kAbsAccuracy = 1046;
    static constexpr int kMinCritPointDistance = 1047;
    static constexpr int kMaxBisections = 1048;
    static constexpr int kRelAccuracy = 1052;

    CDEOptionsDlg(CDEOptions options, QWidget* parent = nullptr);

    CDEOptions m_Options;
    double m_dPointDistance;
    double m_dAbsAccuracy;
    double m_dRelAccuracy;
    double m_dMaxPathLength;
    double m_dMinCritPointDistance;
    int m_nMaxBisections;

    // "Reset to Defaults".
    void OnResetDefaults();

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
};

// Integration over an atomic basin (dialog 161).
class CIntegOptionsDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 161 };
    static constexpr int kAbsAccuracy = 1046;
    static constexpr int kRelAccuracy = 1052;
    static constexpr int kSphereRadius = 1143;
    static constexpr int kStopS = 1144;
    static constexpr int kMaxIntersections = 1145;
    static constexpr int kStopR = 1146;
    static constexpr int kRayStep = 1147;

    CIntegOptionsDlg(CIntegOptions options, QWidget* parent = nullptr);

    CIntegOptions m_Options;
    double m_dAbsAccuracy;
    double m_dSphereRadius;
    double m_dRelAccuracy;
    double m_dStopS;
    double m_dStopR;
    double m_dRayStep;
    int m_nMaxIntersections;

    // "Reset to Defaults".
    void OnResetDefaults();

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
};

// Integration over an interatomic surface (dialog 164).
class CSurfIntOptionsDlg : public zel::CDialog {
    Q_OBJECT

public:
    enum { IDD = 164 };
    static constexpr int kAbsAccuracy = 1046;
    static constexpr int kRelAccuracy = 1052;
    static constexpr int kCircleRadius = 1143;
    static constexpr int kStopS = 1179;

    CSurfIntOptionsDlg(CSurfIntOptions options, QWidget* parent = nullptr);

    CSurfIntOptions m_Options;
    double m_dAbsAccuracy;
    double m_dCircleRadius;
    double m_dRelAccuracy;
    double m_dStopS;

    // "Reset to Defaults".
    void OnResetDefaults();

protected:
    void DoDataExchange(zel::CDataExchange& dx) override;
};
