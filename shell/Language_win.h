#pragma once
// The language file read through the system's profile-string reader (ANSI, or UTF-16 / UTF-8 with a
// byte-order mark).
#include "shell/Language.h"

#include <string>

class PrivateProfileReader : public ProfileReader {
public:
    explicit PrivateProfileReader(std::wstring path) : path(std::move(path)) {}
    std::wstring ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue,
                            std::size_t bufferUnits) override;

private:
    std::wstring path;
};
