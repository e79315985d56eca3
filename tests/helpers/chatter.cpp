// A child program with scripted console behaviour, for tests of the command runner.
//   chatter bytes N        writes N bytes as fast as it can, then exits
//   chatter lines N MS     writes N numbered lines, one every MS milliseconds
//   chatter exit CODE      writes one line, exits with CODE
//   chatter hang           writes one line, then sleeps until killed
//   chatter split          writes a UTF-8 character in two writes 200 ms apart
//   chatter both           writes one line to standard output and one to standard error
//   chatter args ...       writes each argument on a line of its own, between < and >
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {
void writeAll(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n <= 0)
            std::exit(1);
        done += static_cast<std::size_t>(n);
    }
}
void sleepMs(long ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
} // namespace

int main(int argc, char* argv[]) {
#ifdef _WIN32
    // The bytes as written, as on every other system: no carriage return slipped in before each line feed.
    _setmode(STDOUT_FILENO, _O_BINARY);
    _setmode(STDERR_FILENO, _O_BINARY);
#endif
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "bytes" && argc > 2) {
        const long long total = std::atoll(argv[2]);
        std::string block(65536, 'x');
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = (i % 64 == 63) ? '\n' : static_cast<char>('a' + i % 26);
        for (long long written = 0; written < total; written += static_cast<long long>(block.size()))
            writeAll(block.substr(
                0, static_cast<std::size_t>(std::min<long long>(total - written, block.size()))));
        return 0;
    }
    if (mode == "lines" && argc > 3) {
        for (int i = 1, n = std::atoi(argv[2]); i <= n; ++i) {
            writeAll("line " + std::to_string(i) + "\n");
            sleepMs(std::atol(argv[3]));
        }
        return 0;
    }
    if (mode == "exit" && argc > 2) {
        writeAll("exiting\n");
        return std::atoi(argv[2]);
    }
    if (mode == "hang") {
        writeAll("hanging\n");
        for (;;)
            sleepMs(1000);
    }
    if (mode == "split") {
        writeAll("ab\xE4\xB8");
        sleepMs(200);
        writeAll("\xAD"
                 "cd\n");
        return 0;
    }
    if (mode == "both") {
        writeAll("out\n");
        std::fputs("err\n", stderr);
        return 0;
    }
    if (mode == "args") {
        for (int i = 2; i < argc; ++i)
            writeAll(std::string("<") + argv[i] + ">\n");
        return 0;
    }
    std::fputs("usage: chatter bytes N | lines N MS | exit CODE | hang | split | both | args ...\n", stderr);
    return 2;
}
