#include "SimActions.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <sstream>

namespace vr::sim
{
namespace
{
const char* const kFiles = "files";

const std::array<KindInfo, static_cast<size_t> (Kind::count)> kKinds{{
    {"view", nullptr, false, 6},         {"unit-row", nullptr, false, 10},
    {"rom-row", nullptr, false, 5},      {"unit-key", nullptr, false, 4},
    {"rom-key", nullptr, false, 2},      {"knob", nullptr, false, 12},
    {"type-value", nullptr, false, 6},   {"effect-type", nullptr, false, 4},
    {"on-off", nullptr, false, 4},       {"name", nullptr, false, 3},
    {"category", nullptr, false, 2},     {"write", nullptr, false, 6},
    {"transmit-all", nullptr, false, 3}, {"transmit-modified", nullptr, false, 2},
    {"receive-all", nullptr, false, 2},  {"stop", nullptr, false, 3},
    {"cut", nullptr, false, 2},          {"copy", nullptr, false, 3},
    {"paste", nullptr, false, 3},        {"insert", nullptr, false, 2},
    {"clear", nullptr, false, 2},        {"undo", nullptr, false, 4},
    {"redo", nullptr, false, 2},         {"compare", nullptr, false, 3},
    {"save-as", kFiles, false, 1},       {"export", kFiles, false, 1},
    {"open-file", kFiles, false, 2},     {"close-files", kFiles, false, 1},
    {"port-off", nullptr, false, 1},     {"port-on", nullptr, false, 2},
    {"quit", nullptr, false, 1},         {"unit-knob", nullptr, true, 6},
    {"unit-program", nullptr, true, 4},  {"unit-write", nullptr, true, 2},
    {"unit-drop", nullptr, true, 1},     {"unit-repeat", nullptr, true, 1},
    {"unit-delay", nullptr, true, 1},    {"unit-wrong-number", nullptr, true, 1},
    {"unit-fail", nullptr, true, 1},     {"unit-silent", nullptr, true, 1},
    {"unit-spoil", nullptr, true, 1},
}};

std::string escape (const std::string& text)
{
    if (text.empty())
        return "-";
    std::string out;
    for (const char ch : text)
    {
        const auto c = static_cast<unsigned char> (ch);
        if (std::isalnum (c) != 0 || c == '.')
        {
            out += ch;
        }
        else
        {
            char hex[4];
            std::snprintf (hex, sizeof (hex), "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string unescape (const std::string& text)
{
    if (text == "-")
        return {};
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '%' && i + 2 < text.size())
        {
            out += static_cast<char> (std::stoi (text.substr (i + 1, 2), nullptr, 16));
            i += 2;
        }
        else
        {
            out += text[i];
        }
    }
    return out;
}
} // namespace

const KindInfo& infoOf (Kind kind) noexcept
{
    return kKinds[static_cast<size_t> (kind)];
}

std::optional<Kind> kindNamed (const std::string& name)
{
    for (size_t i = 0; i < kKinds.size(); ++i)
        if (name == kKinds[i].name)
            return static_cast<Kind> (i);
    return std::nullopt;
}

std::string toText (const Action& action)
{
    std::ostringstream out;
    out << infoOf (action.kind).name << ' ' << action.a << ' ' << action.b << ' ' << action.c << ' '
        << action.answers << ' ' << action.waitMs << ' ' << escape (action.text);
    return out.str();
}

std::string toText (const std::vector<Action>& actions)
{
    std::string out;
    for (const auto& action : actions)
    {
        if (!out.empty())
            out += " ; ";
        out += toText (action);
    }
    return out;
}

std::optional<Action> actionFromText (const std::string& text)
{
    std::istringstream in (text);
    std::string name, escaped;
    Action action;
    if (!(in >> name >> action.a >> action.b >> action.c >> action.answers >> action.waitMs >> escaped))
        return std::nullopt;
    const auto kind = kindNamed (name);
    if (!kind.has_value())
        return std::nullopt;
    action.kind = *kind;
    action.text = unescape (escaped);
    return action;
}

std::optional<std::vector<Action>> actionsFromText (const std::string& text)
{
    std::vector<Action> actions;
    size_t start = 0;
    while (start < text.size())
    {
        auto end = text.find (';', start);
        if (end == std::string::npos)
            end = text.size();
        const auto part = text.substr (start, end - start);
        if (part.find_first_not_of (" \t") != std::string::npos)
        {
            const auto action = actionFromText (part);
            if (!action.has_value())
                return std::nullopt;
            actions.push_back (*action);
        }
        start = end + 1;
    }
    return actions;
}
} // namespace vr::sim
