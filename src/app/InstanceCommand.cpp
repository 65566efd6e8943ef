#include "app/InstanceCommand.h"

#include <array>
#include <utility>

namespace {
constexpr std::array commandNames = {
    std::pair{InstanceCommand::toggle, "toggle"}, std::pair{InstanceCommand::show, "show"},
    std::pair{InstanceCommand::hide, "hide"},     std::pair{InstanceCommand::settings, "settings"},
    std::pair{InstanceCommand::quit, "quit"},
};
} // namespace

namespace InstanceCommands {

QString name(InstanceCommand command) {
    for (const auto& [known, word] : commandNames) {
        if (known == command)
            return QString::fromLatin1(word);
    }
    Q_UNREACHABLE();
}

std::optional<InstanceCommand> fromName(QStringView name) {
    for (const auto& [command, word] : commandNames) {
        if (name == QLatin1StringView(word))
            return command;
    }
    return std::nullopt;
}

bool startsInstance(InstanceCommand command) {
    return command != InstanceCommand::hide && command != InstanceCommand::quit;
}

} // namespace InstanceCommands
