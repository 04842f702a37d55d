#include "password/password_prompts.h"

#include "store/text_rules.h"

const char* const kModifyPrompt = "You need to provide password to edit!\n\r"
                                  "enter your password in the box below and click OK button";
const char* const kModifyTitle = "Modify Password";
const char* const kForgotTitle = "Password Reminder";

PromptAnswer judgePromptAnswer(const std::string& typed, const std::string& stored) {
    const std::string answer = trimBlanks(typed);
    if (answer.empty())
        return PromptAnswer::Nothing;
    return answer == trimBlanks(stored) ? PromptAnswer::Right : PromptAnswer::Wrong;
}

AdminMessage modifyDeniedMessage() {
    return {"Sorry, your password is incorrect", 16, "Modify Password Denied"};
}

AdminMessage forgotDeniedMessage() {
    return {"Sorry, your answer is incorrect", 16, "Answer Denied"};
}

std::string forgotRevealText(const std::string& password) {
    return "Password is case sENsiTiVe please enter your password exactly.\n\r\rYour password is " +
           password;
}
