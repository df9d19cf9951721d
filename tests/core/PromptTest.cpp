#include "platform/core/Prompt.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

using zel::PromptButtons;
using zel::PromptIcon;

TEST(Prompt, AnswerValuesAreTheFrameworksOwn) {
    EXPECT_EQ(zel::IDOK, 1);
    EXPECT_EQ(zel::IDCANCEL, 2);
    EXPECT_EQ(zel::IDABORT, 3);
    EXPECT_EQ(zel::IDRETRY, 4);
    EXPECT_EQ(zel::IDIGNORE, 5);
    EXPECT_EQ(zel::IDYES, 6);
    EXPECT_EQ(zel::IDNO, 7);
}

TEST(Prompt, WithoutAServiceTheConsoleAnswersTheFirstButton) {
    ASSERT_EQ(zel::GetPromptService(), nullptr);
    EXPECT_EQ(zel::ShowMessageBox("unattended"), zel::IDOK);
    EXPECT_EQ(zel::ShowMessageBox("unattended", PromptButtons::YesNoCancel, PromptIcon::Question),
              zel::IDYES);
    EXPECT_EQ(zel::ShowMessageBox("unattended", PromptButtons::RetryCancel), zel::IDRETRY);
}

TEST(Prompt, ConsoleWritesOneLinePerMessage) {
    struct Case {
        PromptButtons buttons;
        PromptIcon icon;
        int answer;
        const char* line;
    };
    const Case cases[] = {
        {PromptButtons::OK, PromptIcon::None, zel::IDOK, "Text\n"},
        {PromptButtons::OKCancel, PromptIcon::Information, zel::IDOK, "Information: Text [OK]\n"},
        {PromptButtons::YesNo, PromptIcon::Question, zel::IDYES, "Question: Text [Yes]\n"},
        {PromptButtons::YesNoCancel, PromptIcon::Warning, zel::IDYES, "Warning: Text [Yes]\n"},
        {PromptButtons::RetryCancel, PromptIcon::Error, zel::IDRETRY, "Error: Text [Retry]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::ostringstream out;
        zel::CConsolePrompts console(out);
        EXPECT_EQ(console.MessageBox("Text", c.buttons, c.icon), c.answer);
        EXPECT_EQ(out.str(), c.line);
    }
}

TEST(Prompt, ScriptedAnswersComeInOrderAndEveryCallIsRecorded) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService guard(prompts);
    prompts.PushAnswer(zel::IDNO);
    prompts.PushAnswer(zel::IDCANCEL);

    EXPECT_EQ(zel::ShowMessageBox("Save changes?", PromptButtons::YesNoCancel, PromptIcon::Question),
              zel::IDNO);
    EXPECT_EQ(zel::ShowMessageBox("Retry reading?", PromptButtons::RetryCancel), zel::IDCANCEL);
    EXPECT_EQ(prompts.PendingAnswers(), 0u);
    // Queue empty: the first button.
    EXPECT_EQ(zel::ShowMessageBox("Overwrite?", PromptButtons::YesNo, PromptIcon::Warning), zel::IDYES);
    EXPECT_EQ(zel::ShowMessageBox("Done."), zel::IDOK);

    using Call = zel::CScriptedPrompts::Call;
    const std::vector<Call> expected = {
        {"Save changes?", PromptButtons::YesNoCancel, PromptIcon::Question},
        {"Retry reading?", PromptButtons::RetryCancel, PromptIcon::None},
        {"Overwrite?", PromptButtons::YesNo, PromptIcon::Warning},
        {"Done.", PromptButtons::OK, PromptIcon::None},
    };
    EXPECT_EQ(prompts.Calls(), expected);
    EXPECT_EQ(prompts.Texts(),
              (std::vector<std::string>{"Save changes?", "Retry reading?", "Overwrite?", "Done."}));
}

TEST(Prompt, ScriptedAnswerThatTheButtonsCannotGiveFailsLoudly) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService guard(prompts);
    prompts.PushAnswer(zel::IDYES);
    EXPECT_THROW(zel::ShowMessageBox("Disk full.", PromptButtons::OKCancel), std::logic_error);
}

TEST(Prompt, GuardsRestoreThePreviousServiceInNestingOrder) {
    zel::CScriptedPrompts outer, inner;
    {
        zel::ScopedPromptService outerGuard(outer);
        {
            zel::ScopedPromptService innerGuard(inner);
            EXPECT_EQ(zel::GetPromptService(), &inner);
            zel::ShowMessageBox("to inner");
        }
        EXPECT_EQ(zel::GetPromptService(), &outer);
        zel::ShowMessageBox("to outer");
    }
    EXPECT_EQ(zel::GetPromptService(), nullptr);
    EXPECT_EQ(inner.Texts(), std::vector<std::string>{"to inner"});
    EXPECT_EQ(outer.Texts(), std::vector<std::string>{"to outer"});

    EXPECT_EQ(zel::SetPromptService(&outer), nullptr);
    EXPECT_EQ(zel::SetPromptService(nullptr), &outer);
}

TEST(Prompt, WorkerThreadsMayPromptConcurrently) {
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService guard(prompts);
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([] {
            for (int i = 0; i < 100; ++i)
                zel::ShowMessageBox("progress", PromptButtons::OKCancel);
        });
    }
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(prompts.Calls().size(), 400u);
}

} // namespace
