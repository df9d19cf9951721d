#pragma once
// File dialogs on Qt for the file chooser service. Qt's own dialog is used so
// the default extension and the overwrite prompt behave the same everywhere.

#include "platform/core/FileChooser.h"

#include <QString>

namespace zel {

// "Text Files (*.txt)|*.txt||" as a Qt name filter list
// ("Text Files (*.txt)"); "*.*" becomes "*", which matches every file here.
QString QtNameFilters(const std::string& filter);

// The dialog opens in the request's folder when it names an existing one,
// else in the folder of the file last chosen (never in the program's working
// folder once a file has been chosen).
class CQtFileChooser : public CFileChooserService {
public:
    std::optional<std::string> ChooseFile(const SFileRequest& request) override;
    // The folder a request without its own opens in; empty before the first choice.
    QString LastFolder() const { return m_lastFolder; }

private:
    QString m_lastFolder;
};

} // namespace zel
