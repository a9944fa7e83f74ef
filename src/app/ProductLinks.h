#pragma once

// Where the program points its users: the about window's links and the texts it shares.
namespace vexmira::app::links {

inline constexpr const char* webPage = "https://vexmira.example.org/";
inline constexpr const char* secondWebPage = "https://vexmira.example.org/news/";
inline constexpr const char* supportMail = "support@vexmira.example.org";
inline constexpr const char* twitterIntent = "https://twitter.com/intent/tweet";

} // namespace vexmira::app::links
