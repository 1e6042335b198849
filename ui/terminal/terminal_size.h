#pragma once

namespace ch {

// Whether the file descriptor is a terminal, and its width in columns (80 when unknown).
bool IsTerminal(int fd);
int TerminalWidth(int fd);

}  // namespace ch
