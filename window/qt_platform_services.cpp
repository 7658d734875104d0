#include "qt_platform_services.h"

#include "drag_options.h"
#include "help_window.h"
#include "window_message.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <memory>

namespace {

constexpr const char* kOrganisation = "Brevant Inc";
constexpr const char* kApplication = "Framira";

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

bool OnWindowThread() { return QCoreApplication::instance() && QThread::currentThread() == qApp->thread(); }

EMessageAnswer DeclinedAnswer(const CMessageBox& box)
{
    return box.buttons == EMessageButtons::YesNo ? EMessageAnswer::No : EMessageAnswer::Ok;
}

// "JPEG Files (*.jpg)" with "*.jpg;*.jpeg" → "JPEG Files (*.jpg *.jpeg)": Qt
// reads the patterns from the parentheses, separated by spaces.
QString QtNameFilter(const std::string& description, const std::string& patterns)
{
    QString name = ToQt(description);
    const int open = name.lastIndexOf('(');
    if (open > 0)
        name = name.left(open).trimmed();
    QString list = ToQt(patterns);
    list.replace(';', ' ');
    return name + " (" + list.simplified() + ")";
}

} // namespace

EMessageAnswer RunMessageBox(QWidget* owner, const CMessageBox& box, const std::atomic<bool>* stopRequested)
{
    if (stopRequested && stopRequested->load())
        return DeclinedAnswer(box);
    QMessageBox message(owner);
    message.setWindowTitle(box.caption.empty() ? kApplication : ToQt(box.caption));
    // Paths are shown as they are: a name with '<' is not markup.
    message.setTextFormat(Qt::PlainText);
    message.setText(ToQt(box.text));
    switch (box.icon) {
    case EMessageIcon::None: message.setIcon(QMessageBox::NoIcon); break;
    case EMessageIcon::Information: message.setIcon(QMessageBox::Information); break;
    case EMessageIcon::Exclamation: message.setIcon(QMessageBox::Warning); break;
    case EMessageIcon::Error: message.setIcon(QMessageBox::Critical); break;
    }
    if (box.buttons == EMessageButtons::YesNo) {
        message.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        message.setDefaultButton(QMessageBox::Yes);
    } else {
        message.setStandardButtons(QMessageBox::Ok);
    }
    QTimer stopWatch;
    if (stopRequested) {
        QObject::connect(&stopWatch, &QTimer::timeout, &message, [&] {
            if (stopRequested->load())
                message.done(box.buttons == EMessageButtons::YesNo ? QMessageBox::No : QMessageBox::Ok);
        });
        stopWatch.start(50);
    }
    const int pressed = message.exec();
    if (box.buttons == EMessageButtons::YesNo)
        return pressed == QMessageBox::Yes ? EMessageAnswer::Yes : EMessageAnswer::No;
    return EMessageAnswer::Ok;
}

CQtPlatformServices::CQtPlatformServices() = default;

CQtPlatformServices::~CQtPlatformServices()
{
    delete helpWindow.data();
}

void CQtPlatformServices::SetOwnerWindow(QWidget* window)
{
    owner = window;
}

void CQtPlatformServices::PostNotification(CNotification notification)
{
    QWidget* target = owner.data();
    if (!target)
        return;
    QCoreApplication::postEvent(target, new CWindowMessageEvent(notification.message, notification.param, 0,
                                                                ToQt(notification.text)));
}

EMessageAnswer CQtPlatformServices::ShowMessageBox(const CMessageBox& box, const std::atomic<bool>* stopRequested)
{
    if (OnWindowThread())
        return RunMessageBox(owner.data(), box, stopRequested);

    // From a worker: the box runs on the window's thread; the worker waits
    // for the answer or for its stop flag, whichever comes first.
    struct CPending {
        std::mutex lock;
        std::condition_variable answered;
        bool done = false;
        EMessageAnswer answer = EMessageAnswer::No;
        std::atomic<bool> abandoned{false};
    };
    auto pending = std::make_shared<CPending>();
    QPointer<QWidget> window = owner;
    QMetaObject::invokeMethod(
        qApp,
        [pending, box, window] {
            const EMessageAnswer answer = RunMessageBox(window.data(), box, &pending->abandoned);
            std::lock_guard guard(pending->lock);
            pending->done = true;
            pending->answer = answer;
            pending->answered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock guard(pending->lock);
    while (!pending->done) {
        if (stopRequested && stopRequested->load()) {
            pending->abandoned = true;
            return DeclinedAnswer(box);
        }
        pending->answered.wait_for(guard, std::chrono::milliseconds(20));
    }
    return pending->answer;
}

CScreenSize CQtPlatformServices::GetScreenSize()
{
    std::lock_guard guard(screenLock);
    if (OnWindowThread()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        lastScreenSize = screen ? CScreenSize{screen->size().width(), screen->size().height()} : CScreenSize{};
    }
    return lastScreenSize;
}

CScreenRect CQtPlatformServices::GetWorkArea()
{
    const QScreen* screen = OnWindowThread() ? QGuiApplication::primaryScreen() : nullptr;
    if (!screen)
        return {};
    const QRect area = screen->availableGeometry();
    return CScreenRect{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

std::string CQtPlatformServices::ReadSettingString(const std::string& section, const std::string& key,
                                                   const std::string& defaultValue)
{
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(ToQt(section));
    return settings.value(ToQt(key), ToQt(defaultValue)).toString().toStdString();
}

void CQtPlatformServices::WriteSettingString(const std::string& section, const std::string& key,
                                             const std::string& value)
{
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(ToQt(section));
    settings.setValue(ToQt(key), ToQt(value));
}

int CQtPlatformServices::ReadSettingInt(const std::string& section, const std::string& key, int defaultValue)
{
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(ToQt(section));
    bool ok = false;
    const int value = settings.value(ToQt(key), defaultValue).toInt(&ok);
    return ok ? value : defaultValue;
}

void CQtPlatformServices::WriteSettingInt(const std::string& section, const std::string& key, int value)
{
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(ToQt(section));
    settings.setValue(ToQt(key), value);
}

void CQtPlatformServices::WriteMachineSettingOnce(const std::string& group, const std::string& key,
                                                  const std::string& value)
{
    QSettings settings(QSettings::NativeFormat, QSettings::SystemScope, kOrganisation, kApplication);
    settings.beginGroup(ToQt(group));
    if (!settings.contains(ToQt(key)))
        settings.setValue(ToQt(key), ToQt(value));
    // An ordinary user cannot write the machine's settings: that is ignored.
    settings.sync();
}

void CQtPlatformServices::ShowHelp(const std::string& helpFile)
{
    const QString path = ToQt(helpFile);
    if (!QFileInfo(path).isFile()) {
        RunMessageBox(owner.data(),
                      CMessageBox{"The help file " + helpFile + " cannot be found.", {}, EMessageButtons::Ok,
                                  EMessageIcon::Exclamation},
                      nullptr);
        return;
    }
    if (!helpWindow)
        helpWindow = new CHelpWindow(owner.data());
    helpWindow->ShowPage(QUrl::fromLocalFile(path));
}

bool CQtPlatformServices::OpenFolderInFileManager(const std::string& folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQt(folder)));
}

std::optional<std::string> CQtPlatformServices::BrowseForFolder(const std::string& title,
                                                                const std::string& startFolder)
{
    const QString folder = QFileDialog::getExistingDirectory(owner.data(), ToQt(title), ToQt(startFolder));
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}

std::optional<std::vector<std::string>> CQtPlatformServices::ChooseFiles(const CFileDialogRequest& request)
{
    QFileDialog dialog(owner.data(), ToQt(request.title), ToQt(request.startFolder));
    dialog.setFileMode(request.multipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(ToQt(request.defaultExtension));
    QStringList filters;
    for (const auto& [description, patterns] : request.filters)
        filters << QtNameFilter(description, patterns);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    std::vector<std::string> chosen;
    for (const QString& file : dialog.selectedFiles())
        chosen.push_back(file.toStdString());
    return chosen;
}

EFolderOptionsAnswer CQtPlatformServices::AskFolderOptions(CFolderOptionsQuestion& question)
{
    return AskFolderOptionsWithDialog(question, owner.data());
}
