#include "store/password_file.h"

#include "platform/program_folder.h"
#include "store/mdlBase64.h"
#include "store/mdlGlobal.h"
#include "store/text_rules.h"

#include <fstream>
#include <limits>
#include <sys/stat.h>

const char* const kPasswordFileName = "vtrpwd.sys";
const char* const kPasswordTempName = "vtrpwd.tmp";

namespace {

// Far beyond what a writer produces (a 1000-character question and answer encode to
// under 3 KiB); anything longer is damage, and reading it no further bounds the work.
constexpr size_t kMaxLineLength = 64 * 1024;

// Reads one line up to CR LF (or the end of the file). Empty when there is no line
// left or the line is longer than any writer makes.
std::optional<std::string> readLine(std::istream& in) {
    if (in.peek() == std::char_traits<char>::eof())
        return std::nullopt;
    std::string line;
    char c;
    while (in.get(c)) {
        if (c == '\r' && in.peek() == '\n') {
            in.get();
            return line;
        }
        if (line.size() == kMaxLineLength)
            return std::nullopt;
        line += c;
    }
    return line;
}

std::optional<std::string> decodeLine(const std::string& line) {
    auto base64 = unscrambleText(line);
    if (!base64)
        return std::nullopt;
    return base64Decode(*base64);
}

std::optional<int16_t> parseQuestionNumber(const std::string& text) {
    const std::string digits = trimBlanks(text);
    size_t i = 0;
    if (i < digits.size() && (digits[i] == '-' || digits[i] == '+'))
        ++i;
    if (i == digits.size())
        return std::nullopt;
    long value = 0;
    for (size_t j = i; j < digits.size(); ++j) {
        if (digits[j] < '0' || digits[j] > '9')
            return std::nullopt;
        value = value * 10 + (digits[j] - '0');
        if (value > 32768)
            return std::nullopt;
    }
    if (digits[0] == '-')
        value = -value;
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        return std::nullopt;
    return static_cast<int16_t>(value);
}

std::string numberLine(int16_t number) {
    // A number is written with a blank where a plus sign would stand and one after.
    return (number >= 0 ? " " : "") + std::to_string(number) + " ";
}

} // namespace

bool readPasswordFile(const std::string& fileName) {
    return readPasswordFileAt(programFilePath(fileName));
}

bool readPasswordFileAt(const std::string& path) {
    // Only a plain file is read: opening a pipe or a device of that name could wait
    // forever, and the reader runs on the UI thread.
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::ifstream in(path, std::ios::binary);
    return in && readPasswordStream(in);
}

bool readPasswordStream(std::istream& in) {
    auto line1 = readLine(in);
    auto password = line1 ? decodeLine(*line1) : std::nullopt;
    if (!password || password->size() > kMaxPasswordLength)
        return false;
    mdlGlobal::strPassword = *password;

    auto line2 = readLine(in);
    auto remind = line2 ? decodeLine(*line2) : std::nullopt;
    if (!remind || remind->empty())
        return false;
    const auto firstEquals = remind->find('=');
    mdlGlobal::strQuestion = trimBlanks(remind->substr(0, firstEquals));
    if (firstEquals == std::string::npos)
        return false;
    const auto secondEquals = remind->find('=', firstEquals + 1);
    const auto answerLength =
        secondEquals == std::string::npos ? std::string::npos : secondEquals - firstEquals - 1;
    mdlGlobal::strAnswer = trimBlanks(remind->substr(firstEquals + 1, answerLength));

    auto line3 = readLine(in);
    auto number = line3 ? parseQuestionNumber(*line3) : std::nullopt;
    if (!number)
        return false;
    mdlGlobal::intQuestion = *number;
    return true;
}

std::optional<std::string> passwordFileContents(const std::string& password,
                                                const std::string& remind, int16_t number) {
    const auto line1 = scrambleText(base64Encode(password));
    const auto line2 = scrambleText(base64Encode(remind));
    if (!line1 || !line2)
        return std::nullopt;
    return *line1 + "\r\n" + *line2 + "\r\n" + numberLine(number) + "\r\n";
}
