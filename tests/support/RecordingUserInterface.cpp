#include "tests/support/RecordingUserInterface.h"

namespace testing_support {

namespace {

class RecordingProgress final : public rollvane::ProgressWindow {
public:
    explicit RecordingProgress(RecordingUserInterface &ui) : ui_(ui)
    {
        ++ui_.openProgressWindows;
        ui_.events.push_back("progress open");
    }
    ~RecordingProgress() override
    {
        --ui_.openProgressWindows;
        ui_.events.push_back("progress close");
    }

protected:
    void ShowMessage(const std::string &text) override { ui_.events.push_back("progress message " + text); }
    void ShowRange(uint32_t upper) override
    {
        ui_.lastProgressRange = upper;
        ui_.events.push_back("progress range " + std::to_string(upper));
    }
    void ShowPosition(uint32_t position) override
    {
        ui_.lastProgressPosition = position;
        ui_.events.push_back("progress position " + std::to_string(position));
    }

private:
    RecordingUserInterface &ui_;
};

}  // namespace

void RecordingUserInterface::ShowMessage(const std::string &text, const std::string &caption,
                                         rollvane::MessageIcon icon, const std::string &cause)
{
    messages.push_back({text, caption, icon, cause});
    events.push_back("message " + caption + ": " + text);
    if (onMessage) {
        onMessage(messages.back());
    }
}

bool RecordingUserInterface::Confirm(const std::string &text, const std::string &caption)
{
    confirmations.push_back(caption + ": " + text);
    events.push_back("confirm " + caption + ": " + text);
    if (confirmAnswers.empty()) {
        return true;
    }
    bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

std::optional<std::string> RecordingUserInterface::ChooseOpenFile(const rollvane::FileChoice &choice)
{
    fileChoices.push_back(choice);
    events.push_back("choose open file");
    if (fileAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::optional<std::string> RecordingUserInterface::ChooseSaveFile(const rollvane::FileChoice &choice)
{
    fileChoices.push_back(choice);
    events.push_back("choose save file");
    if (fileAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::unique_ptr<rollvane::ProgressWindow> RecordingUserInterface::OpenProgress()
{
    return std::make_unique<RecordingProgress>(*this);
}

bool RecordingUserInterface::RunInterfaceProperties()
{
    ++interfacePropertiesShown;
    events.push_back("interface properties");
    if (onInterfaceProperties) {
        onInterfaceProperties();
    }
    return true;
}

}  // namespace testing_support
