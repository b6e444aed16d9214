// Stands in for an engine program in tests. Each start appends one line to
// <own name>.args beside the program: the arguments separated by tabs (an empty line
// for none). Then it waits until it is ended.
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return 1;
    self[n] = '\0';
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += '\t';
        line += argv[i];
    }
    line += '\n';
    const std::string record = std::string(self) + ".args";
    const int fd = open(record.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
        // One write, so that two engines starting together never mix their lines.
        [[maybe_unused]] const ssize_t w = write(fd, line.data(), line.size());
        close(fd);
    }
    for (;;)
        pause();
}
