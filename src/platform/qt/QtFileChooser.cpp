#include "platform/qt/QtFileChooser.h"

#include "platform/qt/MainWidget.h"
#include "platform/qt/UiThread.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace zel {

QString QtNameFilters(const std::string& filter) {
    QStringList filters;
    for (const SFileFilter& entry : ParseFileFilter(filter)) {
        QStringList patterns;
        for (const std::string& pattern : entry.patterns)
            patterns << (pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(pattern));
        // Qt reads the patterns from the parentheses of the text: put the real ones there.
        QString description = QString::fromStdString(entry.description).trimmed();
        description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)$")));
        filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> CQtFileChooser::ChooseFile(const SFileRequest& request) {
    std::optional<std::string> result;
    QWidget* scoped = ScopedOwner();
    RunOnUiThread([&] {
        QFileDialog dialog(scoped ? DialogOwner(scoped) : MainWidget());
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
        const QString filters = QtNameFilters(request.filter);
        if (!filters.isEmpty()) dialog.setNameFilter(filters);
        if (!request.defaultExtension.empty())
            dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
        QString folder = QString::fromStdString(request.directory);
        if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = m_lastFolder;
        if (!folder.isEmpty()) dialog.setDirectory(folder);
        const QString name = QString::fromStdString(request.fileName);
        if (!name.isEmpty() && !name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?')))
            dialog.selectFile(name);
        if (dialog.exec() != QDialog::Accepted) return;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return;
        result = QFile::encodeName(files.first()).toStdString();
        m_lastFolder = QFileInfo(files.first()).absolutePath();
    });
    return result;
}

} // namespace zel
