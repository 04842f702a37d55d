#pragma once
// The Modify and Forgot commands' prompts, their judgement of the typed answer and what
// they tell the user; shared by both programs. Text is Windows-1252.

#include "password/admin_checks.h"

#include <string>

extern const char* const kModifyPrompt;
extern const char* const kModifyTitle; // "Modify Password"
extern const char* const kForgotTitle; // "Password Reminder"

enum class PromptAnswer { Nothing, Wrong, Right };

// The typed text against the stored one, both without surrounding spaces: nothing typed
// (Cancel included) ends the command quietly.
PromptAnswer judgePromptAnswer(const std::string& typed, const std::string& stored);

// True when the command goes on; a wrong answer is first told with `tell(denied)`.
template <class Tell>
bool promptAccepted(PromptAnswer answer, const AdminMessage& denied, Tell tell) {
    if (answer == PromptAnswer::Wrong)
        tell(denied);
    return answer == PromptAnswer::Right;
}

AdminMessage modifyDeniedMessage();
AdminMessage forgotDeniedMessage();
// The password as stored, with its own spaces.
std::string forgotRevealText(const std::string& password);
