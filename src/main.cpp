#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ion_table.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int j;  // number of questions asked for

// The next question: an index into `ion`, which must not be empty (initIons
// has run). rand() modulo 40 favours the low rows by at most one part in
// RAND_MAX / 40, which no learner will notice.
std::uint32_t randomIon() {
    return static_cast<std::uint32_t>(std::rand()) % static_cast<std::uint32_t>(ion.size());
}

namespace {

// Every answer in the table has at most 5 characters; a longer line keeps its
// first 15 and the rest is discarded, so no input can grow memory.
constexpr std::size_t kLineMax = 15;
using LineBuffer = char[kLineMax + 1];

// A drill whose output is lost, or whose input broke, cannot go on: say so
// and fail rather than carry on answering into the void.
[[noreturn]] void fail(const char* what) {
    const int err = errno != 0 ? errno : EIO;  // a stream error that left no reason
    std::fprintf(stderr, "iondrill: %s error: %s\n", what, std::strerror(err));
    std::exit(1);
}

void flushOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        fail("write");
    }
}

// Reads one line into buf, without its line break and without one carriage
// return right before it. The text ends at the first NUL, as C strings do.
// Flushes stdout first, so the question is on screen before we wait.
// End of input reads as an empty line, which ends the drill wherever it comes.
void readLine(LineBuffer& buf) {
    flushOutput();
    std::size_t len = 0;
    bool whole = true;
    int c = 0;
    while ((c = std::getchar()) != EOF && c != '\n') {
        if (len < kLineMax) {
            buf[len++] = static_cast<char>(c);
        } else {
            whole = false;
        }
    }
    if (c == EOF && std::ferror(stdin) != 0) {
        fail("read");
    }
    if (c == '\n' && whole && len > 0 && buf[len - 1] == '\r') {
        --len;
    }
    buf[len] = '\0';
}

// Every way out goes through here: closing stdout reports what even the last
// flush could not (a file system may only refuse data at close).
int finish() {
    if (std::fclose(stdout) != 0) {
        fail("write");
    }
    return 0;
}

// As atoi(), but clamped to int's range instead of undefined outside it.
int parseCount(const char* text) {
    return static_cast<int>(
        std::clamp<long long>(std::strtoll(text, nullptr, 10), INT_MIN, INT_MAX));
}

}  // namespace

int main() {
#ifdef _WIN32
    // A pipe or a file is read byte for byte, as on other systems, so every
    // answer is judged alike; text mode would take "\r\r\n" for one line break
    // and byte 0x1A for end of input. A console stays in text mode, where
    // Ctrl-Z then Enter ends the input.
    if (_isatty(_fileno(stdin)) == 0) {
        _setmode(_fileno(stdin), _O_BINARY);
    }
#endif
    LineBuffer buf;
    std::printf("Write the symbols and charges for the ions.\n\nHow many questions? ");
    readLine(buf);
    j = parseCount(buf);
    if (j < 1) {
        return finish();
    }
    initIons();

    int numright = 0;
    for (int i = 0; i < j; ++i) {
        const std::uint32_t r = randomIon();
        std::printf("\n%s\n", ion[r].name.c_str());
        // An empty answer is how the learner stops early.
        readLine(buf);
        if (buf[0] == '\0') {
            return finish();
        }
        if (ion[r].getResponse(buf)) {
            ++numright;
        }
    }
    // 64-bit, so numright * 100 cannot overflow.
    const long long percent = static_cast<long long>(numright) * 100 / j;
    std::printf("\nNumber correct: %i out of %i (%i%%)\n", numright, j, static_cast<int>(percent));
    readLine(buf);  // wait for Enter before the window may close
    return finish();
}
