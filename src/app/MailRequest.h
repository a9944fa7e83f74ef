#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexmira::app {

// A message for the user's mail program to open, ready to edit and send.
struct MailRequest {
    std::string to;
    std::string subject;
    std::string body;
    std::vector<std::string> attachments; // full paths
};

// A request from "name=value" fields: "to", "subject", "body" and "attachment0",
// "attachment1", ... (the first missing number ends the attachments). Unknown names are ignored.
MailRequest mailRequestOf(const std::vector<std::string>& fields);

// The arguments of `xdg-email` for the request, one field each (no shell ever reads them).
std::vector<std::string> xdgEmailArguments(const MailRequest& request);

// A "mailto:" address for the request (its attachments left out: the scheme has none).
std::string mailtoUrl(const MailRequest& request);

// Every byte outside the unreserved characters of RFC 3986 as %XX.
std::string percentEncoded(std::string_view text);

// The address that opens the composing of a message of `text` on Twitter.
std::string twitterShareUrl(std::string_view text);

} // namespace vexmira::app
