// Reading texts the driver wrote: lines, counts and patterns.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// A CP1250 literal ("..."_cp is a string_view) as a string, to build on.
inline std::string Cp(std::string_view t) { return std::string(t); }

// Lines of a text, split at CR LF; a last line without CR LF gets `unterminated`
// appended, so that a test can see it.
std::vector<std::string> Lines(const std::string& text, std::string_view unterminated = "");

// Occurrences of `part` that do not overlap.
int CountOf(std::string_view text, std::string_view part);
inline bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }
bool ContainsLine(const std::vector<std::string>& lines, std::string_view line);

// A text against a pattern: '#' stands for one or more digits, "[..]" for
// one of the listed characters; everything else stands for itself.
bool Matches(std::string_view text, std::string_view pattern);
// Lines of a log whose text after the time stamp ("] ") matches the pattern.
int CountMatchingLines(const std::string& log, std::string_view pattern);

// Every part is in the text; a failure names the missing ones.
::testing::AssertionResult ContainsAll(const std::string& text, std::initializer_list<std::string> parts);
