#include "testing/ScriptedUi.h"

#include <gtest/gtest.h>

#include <QWidget>

namespace {

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

const char* KindName(ScriptedUi::Kind kind)
{
    switch (kind) {
    case ScriptedUi::Kind::MessageBox:
        return "message box";
    case ScriptedUi::Kind::InputBox:
        return "input box";
    case ScriptedUi::Kind::OpenDialog:
        return "open dialog";
    case ScriptedUi::Kind::SaveDialog:
        return "save dialog";
    case ScriptedUi::Kind::ColorDialog:
        return "colour dialog";
    case ScriptedUi::Kind::FontDialog:
        return "font dialog";
    case ScriptedUi::Kind::PrintDialog:
        return "print dialog";
    case ScriptedUi::Kind::PrinterSetup:
        return "printer setup dialog";
    case ScriptedUi::Kind::ModalWindow:
        return "modal window";
    }
    return "dialog";
}

} // namespace

ScriptedUi::ScriptedUi(Strictness strictness) : strictness_(strictness), previous_(SetUi(this)) {}

ScriptedUi::~ScriptedUi()
{
    SetUi(previous_);
    if (strictness_ == Strictness::Strict && !AllAnswersUsed())
        ADD_FAILURE() << "Scripted answers were never asked for: " << messageAnswers_.size() << " message, "
                      << inputAnswers_.size() << " input, " << fileAnswers_.size() << " file, " << colorAnswers_.size()
                      << " colour, " << fontAnswers_.size() << " font, " << printAnswers_.size() << " print, "
                      << printerSetupAnswers_.size() << " printer setup, " << modalAnswers_.size() << " modal window";
}

template <typename T> T ScriptedUi::Next(std::deque<T>& answers, T closing, const Call& call)
{
    if (answers.empty()) {
        if (strictness_ == Strictness::Strict)
            ADD_FAILURE() << "No answer was scripted for the " << KindName(call.kind) << " \"" << call.text
                          << "\" (caption \"" << call.caption << "\")";
        return closing;
    }
    T front = std::move(answers.front());
    answers.pop_front();
    return front;
}

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
           fontAnswers_.empty() && printAnswers_.empty() && printerSetupAnswers_.empty() && modalAnswers_.empty();
}

MsgAnswer ScriptedUi::MessageBox(std::string_view text, std::string_view caption, MsgButtons buttons, MsgIcon icon)
{
    Call call;
    call.kind = Kind::MessageBox;
    call.text = text;
    call.caption = caption;
    call.buttons = buttons;
    call.icon = icon;
    calls_.push_back(call);
    return Next(messageAnswers_, ClosingAnswer(buttons), call);
}

std::optional<std::string> ScriptedUi::InputQuery(std::string_view caption, std::string_view prompt,
                                                  std::string_view defaultValue)
{
    Call call;
    call.kind = Kind::InputBox;
    call.text = prompt;
    call.caption = caption;
    call.defaultValue = defaultValue;
    calls_.push_back(call);
    const InputAnswer answer = Next(inputAnswers_, Cancel(), call);
    if (answer.cancelled)
        return std::nullopt;
    return answer.text;
}

std::optional<FileDialogResult> ScriptedUi::FileDialog(Kind kind, const FileDialogOptions& options)
{
    Call call;
    call.kind = kind;
    call.caption = options.title;
    call.fileOptions = options;
    calls_.push_back(call);
    return Next<std::optional<FileDialogResult>>(fileAnswers_, std::nullopt, call);
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
    calls_.push_back(call);
    return Next<std::optional<DialogColor>>(colorAnswers_, std::nullopt, call);
}

std::optional<FontChoice> ScriptedUi::FontDialog(const FontChoice& initial)
{
    Call call;
    call.kind = Kind::FontDialog;
    call.font = initial;
    calls_.push_back(call);
    return Next<std::optional<FontChoice>>(fontAnswers_, std::nullopt, call);
}

bool ScriptedUi::PrintDialog(PrintChoice& choice)
{
    Call call;
    call.kind = Kind::PrintDialog;
    call.print = choice;
    calls_.push_back(call);
    const std::optional<PrintChoice> answer = Next<std::optional<PrintChoice>>(printAnswers_, std::nullopt, call);
    if (answer)
        choice = *answer;
    return answer.has_value();
}

bool ScriptedUi::PrinterSetupDialog()
{
    Call call;
    call.kind = Kind::PrinterSetup;
    calls_.push_back(call);
    return Next(printerSetupAnswers_, false, call);
}

int ScriptedUi::ShowModal(QWidget& window)
{
    Call call;
    call.kind = Kind::ModalWindow;
    call.text = window.objectName().toStdString();
    calls_.push_back(call);
    if (whileShownModally)
        whileShownModally();
    return Next(modalAnswers_, mrCancel, call);
}
