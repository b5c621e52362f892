// A message for the user: text, title and icon, as a message box shows it.
#pragma once

#include <string>

namespace kv {

enum class MessageIcon { None, Exclamation, Critical, Information, Question };

struct UserMessage {
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::None;
    bool operator==(const UserMessage&) const = default;
};

inline constexpr const char* kAppTitle = "kv Player";

} // namespace kv
