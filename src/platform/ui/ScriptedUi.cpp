#include "platform/ui/ScriptedUi.h"

namespace {

template <typename T> std::optional<T> TakeFront(std::deque<T>& queue)
{
    if (queue.empty())
        return std::nullopt;
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

// What closing the box without choosing gives.
MsgAnswer ClosingAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::OK:
        return MsgAnswer::OK;
    case MsgButtons::YesNo:
        return MsgAnswer::No;
    case MsgButtons::AbortRetryIgnore:
        return MsgAnswer::Abort;
    default:
        return MsgAnswer::Cancel;
    }
}

} // namespace

ScriptedUi::ScriptedUi() : previous_(SetUi(this)) {}

ScriptedUi::~ScriptedUi() { SetUi(previous_); }

std::vector<ScriptedUi::Call> ScriptedUi::CallsOf(Kind kind) const
{
    std::vector<Call> found;
    for (const Call& call : calls_)
        if (call.kind == kind)
            found.push_back(call);
    return found;
}

std::vector<std::string> ScriptedUi::MessageTexts() const
{
    std::vector<std::string> texts;
    for (const Call& call : calls_)
        if (call.kind == Kind::MessageBox)
            texts.push_back(call.text);
    return texts;
}

bool ScriptedUi::AllAnswersUsed() const
{
    return messageAnswers_.empty() && inputAnswers_.empty() && fileAnswers_.empty() && colorAnswers_.empty() &&
           fontAnswers_.empty() && printAnswers_.empty() && printerSetupAnswers_.empty();
}

MsgAnswer ScriptedUi::MessageBox(std::string_view text, std::string_view caption, MsgButtons buttons, MsgIcon icon)
{
    Call call;
    call.kind = Kind::MessageBox;
    call.text = text;
    call.caption = caption;
    call.buttons = buttons;
    call.icon = icon;
    calls_.push_back(std::move(call));
    return TakeFront(messageAnswers_).value_or(ClosingAnswer(buttons));
}

std::string ScriptedUi::InputBox(std::string_view caption, std::string_view prompt, std::string_view defaultValue)
{
    Call call;
    call.kind = Kind::InputBox;
    call.text = prompt;
    call.caption = caption;
    call.defaultValue = defaultValue;
    calls_.push_back(std::move(call));
    const InputAnswer answer = TakeFront(inputAnswers_).value_or(Cancel());
    return answer.cancelled ? std::string(defaultValue) : answer.text;
}

std::optional<FileDialogResult> ScriptedUi::FileDialog(Kind kind, const FileDialogOptions& options)
{
    Call call;
    call.kind = kind;
    call.caption = options.title;
    call.fileOptions = options;
    calls_.push_back(std::move(call));
    return TakeFront(fileAnswers_).value_or(std::nullopt);
}

std::optional<FileDialogResult> ScriptedUi::OpenDialog(const FileDialogOptions& options)
{
    return FileDialog(Kind::OpenDialog, options);
}

std::optional<FileDialogResult> ScriptedUi::SaveDialog(const FileDialogOptions& options)
{
    return FileDialog(Kind::SaveDialog, options);
}

std::optional<DialogColor> ScriptedUi::ColorDialog(DialogColor initial)
{
    Call call;
    call.kind = Kind::ColorDialog;
    call.color = initial;
    calls_.push_back(std::move(call));
    return TakeFront(colorAnswers_).value_or(std::nullopt);
}

std::optional<FontChoice> ScriptedUi::FontDialog(const FontChoice& initial)
{
    Call call;
    call.kind = Kind::FontDialog;
    call.font = initial;
    calls_.push_back(std::move(call));
    return TakeFront(fontAnswers_).value_or(std::nullopt);
}

bool ScriptedUi::PrintDialog(PrintChoice& choice)
{
    Call call;
    call.kind = Kind::PrintDialog;
    call.print = choice;
    calls_.push_back(std::move(call));
    const std::optional<PrintChoice> answer = TakeFront(printAnswers_).value_or(std::nullopt);
    if (answer)
        choice = *answer;
    return answer.has_value();
}

bool ScriptedUi::PrinterSetupDialog()
{
    Call call;
    call.kind = Kind::PrinterSetup;
    calls_.push_back(std::move(call));
    return TakeFront(printerSetupAnswers_).value_or(false);
}
