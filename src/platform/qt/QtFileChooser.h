#pragma once
// File dialogs on Qt for the file chooser service. Qt's own dialog is used so
// the default extension and the overwrite prompt behave the same everywhere.

#include "platform/core/FileChooser.h"

#include <QString>

namespace zel {

// "Text Files (*.txt)|*.txt||" as a Qt name filter list
// ("Text Files (*.txt)"); "*.*" becomes "*", which matches every file here.
QString QtNameFilters(const std::string& filter);

class CQtFileChooser : public CFileChooserService {
public:
    std::optional<std::string> ChooseFile(const SFileRequest& request) override;
};

} // namespace zel
