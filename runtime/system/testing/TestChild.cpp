// A child program for the system tests. Each argument is one step, done in
// order:
//   out:TEXT     write TEXT to standard output (escapes: \n \r \t \\ \xHH)
//   err:TEXT     the same to standard error
//   outbytes:N   write N bytes "o" to standard output
//   errbytes:N   write N bytes "e" to standard error
//   args         write every following argument as "<argument>\n" and stop
//   cwd          write the current folder and a line feed
//   pid          write the process id and a line feed
//   fds          write the number of open descriptors and a line feed
//   input        read standard input to its end, write "input:N\n" (N bytes)
//   ignore-term  ignore SIGTERM from now on
//   pause        wait for a signal that ends the program
//   wait-usr1    wait until SIGUSR1 arrives (it is held back from the start,
//                so one sent early is not lost and does not end the program)
//   close-out    close standard output
//   exit:N       end with status N
//   raise:N      end by signal N
// Without an exit step the status is 0.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <dirent.h>
#include <unistd.h>

namespace {

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            std::exit(3);
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
}

std::string unescape(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        char code = text[++i];
        if (code == 'n') {
            result += '\n';
        } else if (code == 'r') {
            result += '\r';
        } else if (code == 't') {
            result += '\t';
        } else if (code == 'x' && i + 2 < text.size() + 1) {
            result += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            result += code;
        }
    }
    return result;
}

int openDescriptors() {
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) {
        return -1;
    }
    int count = 0;
    while (dirent* entry = ::readdir(folder)) {
        count += entry->d_name[0] != '.';
    }
    ::closedir(folder);
    return count - 1; // the folder's own descriptor
}

std::size_t readInput() {
    std::size_t total = 0;
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(0, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return total;
        }
        total += static_cast<std::size_t>(got);
    }
}

} // namespace

int main(int argc, char** argv) {
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    ::sigprocmask(SIG_BLOCK, &usr1, nullptr);
    for (int i = 1; i < argc; ++i) {
        std::string_view step = argv[i];
        std::string_view value = step.substr(step.find(':') + 1);
        if (step.starts_with("out:")) {
            writeAll(1, unescape(value));
        } else if (step.starts_with("err:")) {
            writeAll(2, unescape(value));
        } else if (step.starts_with("outbytes:")) {
            writeAll(1, std::string(std::stoul(std::string(value)), 'o'));
        } else if (step.starts_with("errbytes:")) {
            writeAll(2, std::string(std::stoul(std::string(value)), 'e'));
        } else if (step == "args") {
            for (int j = i + 1; j < argc; ++j) {
                // Built up in place: GCC 12 at -O3 wrongly sees an overlapping copy in
                // "<" + std::string(...) and -Werror stops the Release build.
                std::string line("<");
                line.append(argv[j]).append(">\n");
                writeAll(1, line);
            }
            return 0;
        } else if (step == "cwd") {
            char folder[4096];
            writeAll(1, std::string(::getcwd(folder, sizeof folder) ? folder : "?") + "\n");
        } else if (step == "pid") {
            writeAll(1, std::to_string(::getpid()) + "\n");
        } else if (step == "fds") {
            writeAll(1, std::to_string(openDescriptors()) + "\n");
        } else if (step == "input") {
            writeAll(1, "input:" + std::to_string(readInput()) + "\n");
        } else if (step == "ignore-term") {
            std::signal(SIGTERM, SIG_IGN);
        } else if (step == "pause") {
            for (;;) {
                ::pause();
            }
        } else if (step == "wait-usr1") {
            int signal = 0;
            ::sigwait(&usr1, &signal);
        } else if (step == "close-out") {
            ::close(1);
        } else if (step.starts_with("exit:")) {
            return std::stoi(std::string(value));
        } else if (step.starts_with("raise:")) {
            int signal = std::stoi(std::string(value));
            std::signal(signal, SIG_DFL);
            std::raise(signal);
        } else {
            std::fprintf(stderr, "unknown step %s\n", argv[i]);
            return 2;
        }
    }
    return 0;
}
