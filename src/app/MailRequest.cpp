#include "MailRequest.h"

#include "ProductLinks.h"

#include <map>

namespace vexmira::app {

MailRequest mailRequestOf(const std::vector<std::string>& fields) {
    std::map<std::string, std::string> values;
    for (const std::string& field : fields) {
        const std::size_t equals = field.find('=');
        if (equals == std::string::npos) continue;
        values.emplace(field.substr(0, equals), field.substr(equals + 1));
    }
    MailRequest request;
    const auto take = [&values](const std::string& name, std::string& into) {
        if (const auto found = values.find(name); found != values.end()) into = found->second;
    };
    take("to", request.to);
    take("subject", request.subject);
    take("body", request.body);
    for (int n = 0;; ++n) {
        const auto found = values.find("attachment" + std::to_string(n));
        if (found == values.end()) break;
        request.attachments.push_back(found->second);
    }
    return request;
}

std::vector<std::string> xdgEmailArguments(const MailRequest& request) {
    std::vector<std::string> arguments = {"--utf8"};
    if (!request.subject.empty()) arguments.insert(arguments.end(), {"--subject", request.subject});
    if (!request.body.empty()) arguments.insert(arguments.end(), {"--body", request.body});
    for (const std::string& file : request.attachments)
        arguments.insert(arguments.end(), {"--attach", file});
    // An address that starts like an option would be read as one: it goes as a mailto: address.
    if (!request.to.empty())
        arguments.push_back(request.to.front() == '-' ? "mailto:" + percentEncoded(request.to) : request.to);
    return arguments;
}

std::string percentEncoded(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '.' || byte == '_' || byte == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 15];
        }
    }
    return encoded;
}

std::string mailtoUrl(const MailRequest& request) {
    std::string to = percentEncoded(request.to);
    for (std::size_t at = to.find("%40"); at != std::string::npos; at = to.find("%40", at + 1))
        to.replace(at, 3, "@");
    std::string url = "mailto:" + to;
    char separator = '?';
    const auto add = [&](const char* name, const std::string& value) {
        if (value.empty()) return;
        url += separator;
        url += name;
        url += '=';
        url += percentEncoded(value);
        separator = '&';
    };
    add("subject", request.subject);
    add("body", request.body);
    return url;
}

std::string twitterShareUrl(std::string_view text) {
    return std::string(links::twitterIntent) + "?text=" + percentEncoded(text);
}

} // namespace vexmira::app
