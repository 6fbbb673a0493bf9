#pragma once

#include <string>

// Answers whether a password opens a document; the viewer plug-in in the program, a fake in
// tests.
class PasswordVerifier
{
public:
    virtual ~PasswordVerifier() = default;
    virtual bool IsPasswordCorrect(const std::string& documentPath,
                                   const std::string& password) = 0;
};
