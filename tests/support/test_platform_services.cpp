#include "test_platform_services.h"

#include <chrono>
#include <thread>

std::string NotificationName(int message)
{
    switch (message) {
    case UWM_STATUS: return "UWM_STATUS";
    case UWM_DONE: return "UWM_DONE";
    case UWM_STOPPED: return "UWM_STOPPED";
    case UWM_PICTURE: return "UWM_PICTURE";
    case UWM_PICTURE_DONE: return "UWM_PICTURE_DONE";
    default: return "WM_USER+" + std::to_string(message - kWmUser);
    }
}

void CTestPlatformServices::QueueAnswer(EMessageAnswer answer)
{
    std::lock_guard lock(mutex);
    answers.push_back(answer);
}

void CTestPlatformServices::SetQuestionsWaitForStop(bool wait, bool includeMessages)
{
    std::lock_guard lock(mutex);
    questionsWaitForStop = wait;
    messagesWaitForStop = wait && includeMessages;
}

void CTestPlatformServices::SetScreenSize(CScreenSize size)
{
    std::lock_guard lock(mutex);
    screenSize = size;
}

void CTestPlatformServices::SetWorkArea(CScreenRect area)
{
    std::lock_guard lock(mutex);
    workArea = area;
}

void CTestPlatformServices::SetBrowseResult(std::optional<std::string> folder)
{
    std::lock_guard lock(mutex);
    browseResult = std::move(folder);
}

void CTestPlatformServices::SetChooseFilesResult(std::optional<std::vector<std::string>> files)
{
    std::lock_guard lock(mutex);
    chooseFilesResult = std::move(files);
}

void CTestPlatformServices::SetMessageBoxHook(std::function<void(const CMessageBox&)> hook)
{
    std::lock_guard lock(mutex);
    messageBoxHook = std::move(hook);
}

std::vector<CNotification> CTestPlatformServices::Notifications() const
{
    std::lock_guard lock(mutex);
    return notifications;
}

std::vector<int> CTestPlatformServices::NotificationNumbers() const
{
    std::lock_guard lock(mutex);
    std::vector<int> numbers;
    for (const auto& n : notifications)
        numbers.push_back(n.message);
    return numbers;
}

std::vector<CTestPlatformServices::CRecordedMessageBox> CTestPlatformServices::MessageBoxes() const
{
    std::lock_guard lock(mutex);
    return messageBoxes;
}

std::vector<std::string> CTestPlatformServices::HelpShown() const
{
    std::lock_guard lock(mutex);
    return helpShown;
}

std::vector<std::string> CTestPlatformServices::FoldersOpened() const
{
    std::lock_guard lock(mutex);
    return foldersOpened;
}

bool CTestPlatformServices::WaitForNotification(int message, int timeoutMilliseconds) const
{
    std::unique_lock lock(mutex);
    return notified.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds), [&] {
        for (const auto& n : notifications)
            if (n.message == message)
                return true;
        return false;
    });
}

void CTestPlatformServices::ClearRecords()
{
    std::lock_guard lock(mutex);
    notifications.clear();
    messageBoxes.clear();
    helpShown.clear();
    foldersOpened.clear();
}

void CTestPlatformServices::PostNotification(CNotification notification)
{
    {
        std::lock_guard lock(mutex);
        notifications.push_back(std::move(notification));
    }
    notified.notify_all();
}

EMessageAnswer CTestPlatformServices::ShowMessageBox(const CMessageBox& box, const std::atomic<bool>* stopRequested)
{
    const bool question = box.buttons == EMessageButtons::YesNo;
    const EMessageAnswer stopAnswer = question ? EMessageAnswer::No : EMessageAnswer::Ok;
    std::function<void(const CMessageBox&)> hook;
    bool waitForStop = false;
    {
        std::lock_guard lock(mutex);
        hook = messageBoxHook;
        waitForStop = question ? questionsWaitForStop : messagesWaitForStop;
    }
    if (hook)
        hook(box);

    if (waitForStop && stopRequested) {
        while (!stopRequested->load())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

    std::lock_guard lock(mutex);
    CRecordedMessageBox record{box, EMessageAnswer::Ok, false};
    if (stopRequested && stopRequested->load()) {
        record.answer = stopAnswer;
        record.answeredForStop = true;
    } else if (question) {
        if (!answers.empty()) {
            record.answer = answers.front();
            answers.pop_front();
        } else {
            record.answer = EMessageAnswer::No;
        }
    }
    messageBoxes.push_back(record);
    return record.answer;
}

CScreenSize CTestPlatformServices::GetScreenSize()
{
    std::lock_guard lock(mutex);
    return screenSize;
}

CScreenRect CTestPlatformServices::GetWorkArea()
{
    std::lock_guard lock(mutex);
    return workArea;
}

std::string CTestPlatformServices::ReadSettingString(const std::string& section, const std::string& key,
                                                     const std::string& defaultValue)
{
    std::lock_guard lock(mutex);
    const auto it = settings.find(section + "/" + key);
    return it == settings.end() ? defaultValue : it->second;
}

void CTestPlatformServices::WriteSettingString(const std::string& section, const std::string& key,
                                               const std::string& value)
{
    std::lock_guard lock(mutex);
    settings[section + "/" + key] = value;
}

int CTestPlatformServices::ReadSettingInt(const std::string& section, const std::string& key, int defaultValue)
{
    const std::string text = ReadSettingString(section, key, {});
    if (text.empty())
        return defaultValue;
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        return used == text.size() ? value : defaultValue;
    } catch (...) {
        return defaultValue;
    }
}

void CTestPlatformServices::WriteSettingInt(const std::string& section, const std::string& key, int value)
{
    WriteSettingString(section, key, std::to_string(value));
}

void CTestPlatformServices::WriteMachineSettingOnce(const std::string& group, const std::string& key,
                                                    const std::string& value)
{
    std::lock_guard lock(mutex);
    machineSettings.emplace(group + "/" + key, value);
}

void CTestPlatformServices::SetMachineSetting(const std::string& group, const std::string& key,
                                              const std::string& value)
{
    std::lock_guard lock(mutex);
    machineSettings[group + "/" + key] = value;
}

std::map<std::string, std::string> CTestPlatformServices::MachineSettings() const
{
    std::lock_guard lock(mutex);
    return machineSettings;
}

std::map<std::string, std::string> CTestPlatformServices::Settings() const
{
    std::lock_guard lock(mutex);
    return settings;
}

void CTestPlatformServices::ShowHelp(const std::string& helpFile)
{
    std::lock_guard lock(mutex);
    helpShown.push_back(helpFile);
}

bool CTestPlatformServices::OpenFolderInFileManager(const std::string& folder)
{
    std::lock_guard lock(mutex);
    foldersOpened.push_back(folder);
    return true;
}

std::optional<std::string> CTestPlatformServices::BrowseForFolder(const std::string&, const std::string&)
{
    std::lock_guard lock(mutex);
    return browseResult;
}

std::optional<std::vector<std::string>> CTestPlatformServices::ChooseFiles(const CFileDialogRequest& request)
{
    std::lock_guard lock(mutex);
    fileDialogsShown.push_back(request);
    return chooseFilesResult;
}

void CTestPlatformServices::QueueFolderOptionsReply(CFolderOptionsReply reply)
{
    std::lock_guard lock(mutex);
    folderOptionsReplies.push_back(std::move(reply));
}

std::vector<CFolderOptionsQuestion> CTestPlatformServices::FolderOptionsAsked() const
{
    std::lock_guard lock(mutex);
    return folderOptionsAsked;
}

std::vector<CFileDialogRequest> CTestPlatformServices::FileDialogsShown() const
{
    std::lock_guard lock(mutex);
    return fileDialogsShown;
}

EFolderOptionsAnswer CTestPlatformServices::AskFolderOptions(CFolderOptionsQuestion& question)
{
    std::lock_guard lock(mutex);
    folderOptionsAsked.push_back(question);
    if (folderOptionsReplies.empty())
        return EFolderOptionsAnswer::No;
    const CFolderOptionsReply reply = folderOptionsReplies.front();
    folderOptionsReplies.pop_front();
    if (reply.answer != EFolderOptionsAnswer::Cancel) {
        question.ignoreFolders = reply.ignoreFolders.value_or(question.ignoreFolders);
        question.keywordText = reply.keywordText.value_or(question.keywordText);
    }
    return reply.answer;
}
