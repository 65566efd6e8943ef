#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// What one start of the program can ask the running instance to do.
enum class InstanceCommand { toggle, show, hide, settings, quit };

namespace InstanceCommands {
// The command's word, as typed on the command line and sent over the instance socket.
QString name(InstanceCommand command);
std::optional<InstanceCommand> fromName(QStringView name);
// Whether the command starts Vantri when none is running; hiding or quitting
// an instance that does not exist has nothing to do.
bool startsInstance(InstanceCommand command);
} // namespace InstanceCommands
