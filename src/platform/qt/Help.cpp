#include "platform/qt/Help.h"

#include "platform/core/Prompt.h"
#include "platform/qt/MainWidget.h"
#include "platform/qt/Settings.h"
#include "platform/qt/WindowFit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>

namespace zel {

namespace {

QPointer<CHelpViewer> s_viewer;

// Room left for the window manager's frame around a new window, and the time
// it takes to put it there.
constexpr int kFrameAllowance = 16;
constexpr int kTitleAllowance = 48;
constexpr int kFramedAfterMs = 300;

void SayMissing(const std::string& message) {
    ShowMessageBox(message, PromptButtons::OK, PromptIcon::Warning);
}

// Where the user changes the help folder.
std::string SettingsNote() {
    const std::unique_ptr<QSettings> settings = OpenSettings();
    return "\nThe help folder is set in " + QDir::toNativeSeparators(settings->fileName()).toStdString() +
           " (section Help, entries Path and File).";
}

bool ShowPage(const QString& bookFolder, const std::string& topic, const std::string& note) {
    QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(bookFolder);
    if (!QFileInfo(folder).isDir() && folder.endsWith(QStringLiteral(".chm"), Qt::CaseInsensitive))
        folder.chop(4); // the pages of "zelmora.chm" in the folder "zelmora"
    if (!QFileInfo(folder).isDir()) {
        SayMissing("Help folder not found: " + QDir::toNativeSeparators(folder).toStdString() + note);
        return false;
    }

    QString page = QString::fromStdString(topic);
    if (page.startsWith(QStringLiteral("::"))) page.remove(0, 2);
    QString fragment;
    if (const qsizetype hash = page.indexOf(QLatin1Char('#')); hash >= 0) {
        fragment = page.mid(hash + 1);
        page.truncate(hash);
    }
    const QDir dir(folder);
    QString file;
    if (page.isEmpty()) {
        file = dir.filePath(QStringLiteral("index.htm"));
        if (!QFileInfo(file).isFile() && QFileInfo(dir.filePath(QStringLiteral("index.html"))).isFile())
            file = dir.filePath(QStringLiteral("index.html"));
    } else {
        file = dir.filePath(page);
    }
    if (!QFileInfo(file).isFile()) {
        SayMissing("Help page not found: " + QDir::toNativeSeparators(file).toStdString() + note);
        return false;
    }
    QUrl url = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    if (!fragment.isEmpty()) url.setFragment(fragment);
    CHelpViewer::Instance()->ShowPage(url);
    return true;
}

} // namespace

QString DefaultHelpFolder() {
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zelmorahlp"));
#ifdef ZELMORA_HELP_SOURCE
    // A program run from where it was built, before its folder has the pages.
    if (!QFileInfo(beside).isDir() && QFileInfo(QStringLiteral(ZELMORA_HELP_SOURCE)).isDir())
        return QStringLiteral(ZELMORA_HELP_SOURCE);
#endif
    return beside;
}

QString HelpBookFolder() {
    const std::unique_ptr<QSettings> settings = OpenSettings();
    // Entries that were never set take the help shipped with the program.
    const QString path = settings->value(QStringLiteral("Help/Path"), DefaultHelpFolder()).toString();
    const QString file = settings->value(QStringLiteral("Help/File"), QString::fromLatin1(kDefaultHelpFile)).toString();
    if (path.isEmpty() && file.isEmpty()) return {};
    return path.isEmpty() ? file : file.isEmpty() ? path : QDir(path).filePath(file);
}

bool ShowHelpTopic(const std::string& topic) {
    const QString book = HelpBookFolder();
    if (book.isEmpty()) {
        SayMissing("No help folder is set." + SettingsNote());
        return false;
    }
    return ShowPage(book, topic, SettingsNote());
}

bool ShowHelpPage(const QString& bookFolder, const std::string& topic) {
    return ShowPage(bookFolder, topic, {});
}

CHelpViewer::CHelpViewer() : QWidget(nullptr, Qt::Window), m_browser(new QTextBrowser(this)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Zelmora Help"));
    m_browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(800, 600);
}

CHelpViewer* CHelpViewer::Instance() {
    if (!s_viewer) s_viewer = new CHelpViewer;
    return s_viewer.data();
}

CHelpViewer* CHelpViewer::Existing() {
    return s_viewer.data();
}

void CHelpViewer::ShowPage(const QUrl& page) {
    m_browser->setSource(page);
    if (!isVisible()) {
        // Inside the screen's free room (panels left out), with space for the
        // frame the window manager adds; corrected once the frame is known.
        const QScreen* screen = MainWidget() ? MainWidget()->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QRect room = screen->availableGeometry();
            resize(std::min(width(), room.width() - kFrameAllowance),
                   std::min(height(), room.height() - kTitleAllowance));
            if (!room.contains(frameGeometry())) move(room.topLeft());
        }
    }
    show();
    KeepOnScreen(*this);
    raise();
    activateWindow();
    QTimer::singleShot(kFramedAfterMs, this, [this] { KeepOnScreen(*this); });
}

QUrl CHelpViewer::CurrentPage() const {
    return m_browser->source();
}

} // namespace zel
