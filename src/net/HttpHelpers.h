// The HTTP client's URL and text helpers: splitting addresses, file names,
// Base64, dates, and the small text tests of its header handling.
#pragma once

#include <string>

// Splits a URL into its parts. `Path` is also an input: the path that
// relative forms ("./x", "../x") are taken against.
void ParseURL(const std::string& url, std::string& Proto, std::string& User, std::string& Pass,
              std::string& Host, std::string& Port, std::string& Path);
// A file name for the document at `path`.
std::string SuggestedFileNameOf(const std::string& path);
// Standard Base64 with "=" padding.
std::string EncodeStr64(const std::string& text);
// The text up to and including the last "/" or ":" before the first "?".
std::string BaseOfURL(const std::string& path);
// An If-Modified-Since date from a date-time (days since 30 December 1899).
std::string RFC1123Date(double dateTime);

// Whether `text` begins with `prefix`, compared without regard to case.
bool StartsWithNoCase(const std::string& text, const std::string& prefix);
// A character that may stand in a URL's scheme.
bool ValidSchemeChar(char c);
// A whole decimal number, blanks around it allowed; EConvertError for anything else.
long long ParseDecimal(const std::string& text);
// The status code in characters 10 to 12 of a status line; 0 when they are
// not a number (such a line still counts as the status line).
int StatusCodeOf(const std::string& line);
