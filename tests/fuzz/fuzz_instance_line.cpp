#include "FuzzInput.h"
#include "app/InstanceChannel.h"
#include "app/InstanceCommand.h"

// The instance's reading of one request line: at most the protocol's length,
// trimmed, then looked up as a command word. A command found is the one whose
// word was sent.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray line = fuzzBytes(data, size)
                                .left(InstanceChannel::maximumLineLength + 1)
                                .split('\n')
                                .first()
                                .trimmed();
    const QString text = QString::fromUtf8(line);
    if (const std::optional<InstanceCommand> command = InstanceCommands::fromName(text);
        command && InstanceCommands::name(*command) != text)
        std::abort();
    return 0;
}
