#pragma once

#include "platform/core/UiServices.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

// The test double of UiServices: every call is recorded with what it was given, and each answer is
// taken from a queue. A strict one (the default, for tests) fails the running test for a box or
// dialog no answer was scripted for, and for answers left unused when it goes, so that a test cannot
// pass while a message it expects never appears. A lenient one (for fuzz targets and benchmarks)
// gives the answer a user closing the box would give: Cancel, No or OK for a message box as its
// buttons allow, the default for an input box, nothing for a dialog, Cancel for a window shown modally.
class ScriptedUi : public UiServices {
public:
    enum class Kind {
        MessageBox,
        InputBox,
        OpenDialog,
        SaveDialog,
        ColorDialog,
        FontDialog,
        PrintDialog,
        PrinterSetup,
        ModalWindow
    };

    struct Call {
        Kind kind = Kind::MessageBox;
        std::string text;    // message text, input prompt, or the object name of a window shown modally
        std::string caption; // caption, or a file dialog's title
        MsgButtons buttons = MsgButtons::OK;
        MsgIcon icon = MsgIcon::None;
        std::string defaultValue; // input box
        FileDialogOptions fileOptions;
        DialogColor color = 0;
        FontChoice font;
        PrintChoice print;
    };

    // A scripted input box answer; Cancel() gives the box's default, as a user's Cancel would.
    struct InputAnswer {
        std::string text;
        bool cancelled = false;
    };
    static InputAnswer Cancel() { return {std::string(), true}; }

    enum class Strictness { Strict, Lenient };

    // Installs itself as the process's UiServices while it lives, restoring the previous one after.
    explicit ScriptedUi(Strictness strictness = Strictness::Strict);
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    void AnswerMessage(MsgAnswer answer) { messageAnswers_.push_back(answer); }
    void AnswerInput(std::string text) { inputAnswers_.push_back({std::move(text), false}); }
    void AnswerInput(InputAnswer answer) { inputAnswers_.push_back(std::move(answer)); }
    // Nothing means the user cancelled.
    void AnswerFile(std::optional<FileDialogResult> answer) { fileAnswers_.push_back(std::move(answer)); }
    void AnswerColor(std::optional<DialogColor> answer) { colorAnswers_.push_back(answer); }
    void AnswerFont(std::optional<FontChoice> answer) { fontAnswers_.push_back(std::move(answer)); }
    void AnswerPrint(std::optional<PrintChoice> answer) { printAnswers_.push_back(std::move(answer)); }
    void AnswerPrinterSetup(bool answer) { printerSetupAnswers_.push_back(answer); }
    // The modal result a window shown modally gives; the window itself is never shown.
    void AnswerModal(int result) { modalAnswers_.push_back(result); }
    // What the user does in every window shown modally, before its scripted answer is given.
    std::function<void()> whileShownModally;

    const std::vector<Call>& Calls() const { return calls_; }
    // The calls of one kind, in order.
    std::vector<Call> CallsOf(Kind kind) const;
    // The texts of every message box shown, in order.
    std::vector<std::string> MessageTexts() const;
    void ClearCalls() { calls_.clear(); }
    // True when every scripted answer was used.
    bool AllAnswersUsed() const;

    MsgAnswer MessageBox(std::string_view text, std::string_view caption, MsgButtons buttons, MsgIcon icon) override;
    std::optional<std::string> InputQuery(std::string_view caption, std::string_view prompt,
                                          std::string_view defaultValue) override;
    std::optional<FileDialogResult> OpenDialog(const FileDialogOptions& options) override;
    std::optional<FileDialogResult> SaveDialog(const FileDialogOptions& options) override;
    std::optional<DialogColor> ColorDialog(DialogColor initial) override;
    std::optional<FontChoice> FontDialog(const FontChoice& initial) override;
    bool PrintDialog(PrintChoice& choice) override;
    bool PrinterSetupDialog() override;
    int ShowModal(QWidget& window) override;

private:
    std::optional<FileDialogResult> FileDialog(Kind kind, const FileDialogOptions& options);
    // The next scripted answer of the queue; without one a strict double fails the test.
    template <typename T> T Next(std::deque<T>& answers, T closing, const Call& call);

    Strictness strictness_;
    UiServices* previous_;
    std::vector<Call> calls_;
    std::deque<MsgAnswer> messageAnswers_;
    std::deque<InputAnswer> inputAnswers_;
    std::deque<std::optional<FileDialogResult>> fileAnswers_;
    std::deque<std::optional<DialogColor>> colorAnswers_;
    std::deque<std::optional<FontChoice>> fontAnswers_;
    std::deque<std::optional<PrintChoice>> printAnswers_;
    std::deque<bool> printerSetupAnswers_;
    std::deque<int> modalAnswers_;
};
