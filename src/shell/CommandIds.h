#pragma once
// Menu and toolbar command numbers. The numbers are those the status-bar
// prompts, the toolbar and the command routing know the commands by.

namespace cmd {

// Application and framework commands.
inline constexpr int FileNew = 57600;      // Ctrl+N: empties the document
inline constexpr int FileOpen = 57601;     // File > Open...
inline constexpr int FileSave = 57603;     // File > Save
inline constexpr int FileSaveAs = 57604;   // File > Save As...
inline constexpr int FilePrintSetup = 57606;
inline constexpr int FilePrint = 57607;
inline constexpr int FilePrintDirect = 57608;
inline constexpr int FilePrintPreview = 57609;
inline constexpr int FileMru1 = 57616; // first of the six recent files
inline constexpr int EditCopy = 57634; // Ctrl+C
inline constexpr int AppAbout = 57664;
inline constexpr int AppExit = 57665;
inline constexpr int HelpFinder = 57667;
inline constexpr int ContextHelp = 57669; // Shift+F1
inline constexpr int Help = 57670;        // F1
inline constexpr int NextPane = 57680;
inline constexpr int PrevPane = 57681;
inline constexpr int ViewToolbar = 59392;
inline constexpr int ViewStatusBar = 59393;

// The program's own commands.
inline constexpr int FileNewWavefunction = 32771;
inline constexpr int CalcProperties = 32772;
inline constexpr int CalcCriticalPoints = 32774;
inline constexpr int OptionCritPoints = 32775;
inline constexpr int OptionLinearAlgebra = 32776;
inline constexpr int RecordCriticalPoints = 32777;
inline constexpr int CalcMolecularGraph = 32779;
inline constexpr int OptionGradientPaths = 32781;
inline constexpr int RecordMolecularGraph = 32782;
inline constexpr int PlotExport = 32783;
inline constexpr int PlotNewMolGraph = 32784;
inline constexpr int PlotNewLine = 32785;
inline constexpr int PlotNewRelief = 32787;
inline constexpr int PlotModify = 32788;
inline constexpr int PlotDelete = 32789;
inline constexpr int CalcIntegrateBasin = 32790;
inline constexpr int OptionBasinIntegration = 32791;
inline constexpr int OptionSurfaceIntegration = 32792;
inline constexpr int CalcIntegrateSurface = 32794;
inline constexpr int RecordAtom = 32795;
inline constexpr int RecordSurface = 32796;
inline constexpr int OptionBasinFunctions = 32798;
inline constexpr int OptionSurfaceFunctions = 32799;
inline constexpr int View3D = 32802;
inline constexpr int FileAsciiOutput = 32804;
inline constexpr int PlotCopy = 32805;
inline constexpr int EnvelopeRefine = 32809;
inline constexpr int EnvelopeInit = 32810;
inline constexpr int EnvelopeDelete = 32812;
inline constexpr int EnvelopeMap = 32813;
inline constexpr int PlotTextOut = 32815;

} // namespace cmd
