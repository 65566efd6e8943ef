// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

/* The floor for the control client: the same exchange over the instance
 * socket in plain C, with nothing else. usage: plain_client SOCKET COMMAND */
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    struct sockaddr_un address = {.sun_family = AF_UNIX};
    strncpy(address.sun_path, argv[1], sizeof address.sun_path - 1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || connect(fd, (struct sockaddr*)&address, sizeof address) != 0)
        return 1;
    char line[80];
    int length = snprintf(line, sizeof line, "%s\n", argv[2]);
    if (write(fd, line, (size_t)length) != length)
        return 1;
    char answer[80];
    size_t received = 0;
    ssize_t count;
    while (received < sizeof answer &&
           (count = read(fd, answer + received, sizeof answer - received)) > 0)
        received += (size_t)count;
    return received == 3 && memcmp(answer, "ok\n", 3) == 0 ? 0 : 1;
}
