// Stands in for the encoder where the real one would be too slow or too well behaved. It takes conv's
// command line and does what FAKECONV_MODE says:
//   instant (or unset)  reports a duration and full progress, writes a small result, exits with 0
//   crash               writes half a result, says so, and dies by a signal
//   fail                names its failure by code as conv does (cannot-read), exits with 1, writes nothing
//   hang                reports a duration, then never ends
//   incomplete          as instant, but says the source held only 107.2 of its 300 seconds
//   copy                as instant, but the result is a copy of the source, which tells each result's source
//   steady              reports ten seconds of progress at a steady five media seconds a second, then as
//                       instant
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char* argv[]) {
    if (argc < 2)
        return 2;
    const std::string output = argv[argc - 1];
    const char* modeVariable = std::getenv("FAKECONV_MODE");
    const std::string mode = modeVariable ? modeVariable : "instant";
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("Duration: 00:00:10.00, start: 0.000000\n");
    if (mode == "instant" || mode == "incomplete" || mode == "copy") {
        std::printf("time=10.00 \n");
        if (mode == "incomplete")
            std::printf("Incomplete: converted=107.20 declared=300.00\n");
        std::ofstream result(output, std::ios::binary);
        if (mode == "copy" && argc > 2 && std::string(argv[1]) == "-i")
            result << std::ifstream(argv[2], std::ios::binary).rdbuf();
        else
            result << "a small result\n";
        return 0;
    }
    if (mode == "steady") {
        for (int second = 1; second <= 10; ++second) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            std::printf("time=%d.00 \n", second);
            std::fflush(stdout); // as conv does: each report reaches the reader as it is made
        }
        std::ofstream(output) << "a small result\n";
        return 0;
    }
    if (mode == "crash") {
        std::ofstream(output) << "half a res";
        std::printf("time=5.00 \nfake: crashed half-way\n");
#ifdef _WIN32
        TerminateProcess(GetCurrentProcess(), 3); // what a crash looks like from outside
#else
        std::raise(SIGKILL);
#endif
    }
    if (mode == "hang") {
        for (;;)
            std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    // FailureLine(ConvFailure::CannotRead): this helper stays free of Qt.
    std::printf("fake: cannot read the input\nFailure: cannot-read\n");
    return 1;
}
