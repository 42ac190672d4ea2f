#include "shell/CommandLine.h"

namespace {

// Only the options' letters matter, so lowering ASCII keeps the result independent of the locale.
std::wstring Lowered(const std::wstring& text) {
    std::wstring lowered = text;
    for (wchar_t& c : lowered) {
        if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
    }
    return lowered;
}

// Searching from the second character: an option at position 0 is ignored, one anywhere after it counts
// even when the line also starts with it.
bool HasOption(const std::wstring& lowered, const wchar_t* option) {
    return lowered.find(option, 1) != std::wstring::npos;
}

}  // namespace

CommandLineOptions ParseCommandLine(const std::wstring& commandLine) {
    std::wstring lowered = Lowered(commandLine);
    CommandLineOptions options;
    options.hide = HasOption(lowered, L"/hide");
    options.close = HasOption(lowered, L"/close");
    options.wait = options.close && HasOption(lowered, L"/wait");
    if (!options.close) options.reset = HasOption(lowered, L"/reset");
    return options;
}

CommandLineOptions ParseCommandLine(const wchar_t* commandLine) {
    return ParseCommandLine(commandLine ? std::wstring(commandLine) : std::wstring());
}
