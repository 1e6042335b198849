#include "ui/terminal/terminal_size.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace ch {

bool IsTerminal(int fd) {
    return isatty(fd) == 1;
}

int TerminalWidth(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

}  // namespace ch
