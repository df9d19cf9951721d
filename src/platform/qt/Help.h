#pragma once
// Help pages: HTML files of a help book, shown in one help viewer window.
// The book is the folder named by the settings "Help/Path" (the help folder)
// and "Help/File" (the book in it; a book named "zelmora.chm" may also be the
// folder "zelmora"). A topic address "::critical_points.htm" names a page of
// the book, the empty address its start page "index.htm". A missing folder or
// page is said in a message box.

#include <QUrl>
#include <QWidget>

#include <string>

class QTextBrowser;

namespace zel {

// The help shipped with the program: the folder "zelmorahlp" beside it, whose
// book "zelmora.chm" is the folder "zelmora" with one page per topic. It is
// what the settings name until the user sets Help/Path or Help/File.
inline constexpr char kDefaultHelpFile[] = "zelmora.chm";
QString DefaultHelpFolder();

// The book folder from the settings; empty when they name none.
QString HelpBookFolder();

// Opens a page of the book named by the settings. Returns whether it is shown;
// a missing folder or page is said together with where the settings are.
bool ShowHelpTopic(const std::string& topic);

// Opens a page of a given book (a relative folder is taken from the
// application's folder), for pages that do not go through the settings.
bool ShowHelpPage(const QString& bookFolder, const std::string& topic);

class CHelpViewer : public QWidget {
    Q_OBJECT

public:
    // The viewer window, created on first use.
    static CHelpViewer* Instance();
    // The viewer window if it has been created.
    static CHelpViewer* Existing();

    void ShowPage(const QUrl& page);
    QUrl CurrentPage() const;

private:
    CHelpViewer();
    QTextBrowser* m_browser;
};

} // namespace zel
