// CErrorMessages: the custom text attached to the errors that carry a message of their own.
#pragma once

#include <string>

class CErrorMessages {
public:
    void Set(const char* text) { m_text = text ? text : ""; }
    const char* Get() const { return m_text.c_str(); }
    void Clear() { m_text.clear(); }

private:
    std::string m_text;
};
