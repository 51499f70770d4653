// Whole log files through the reader: any bytes, with the file either fresh or long settled (so
// both ways of a last line without its end are taken). Checks that the sample lists stay in step
// with the record lists and that a read never reports a change of a file nobody touched.
#include "logdata/Logreader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One in-memory file for every run: no disk traffic, and a path the reader opens as usual.
int MemoryFile()
{
    static const int fd = ::memfd_create("driftline-fuzz-log", 0);
    return fd;
}

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "log reader invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool settled = (data[0] & 1) != 0;
    const int fd = MemoryFile();
    if (fd < 0 || ::ftruncate(fd, 0) != 0)
        return 0;
    if (size > 1 && ::pwrite(fd, data + 1, size - 1, 0) != static_cast<ssize_t>(size - 1))
        return 0;
    const timespec times[2] = {{0, UTIME_OMIT}, {settled ? 0 : ::time(nullptr), 0}};
    ::futimens(fd, times);
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    driftline::TSampleStore first;
    const driftline::TReadResult a = driftline::readLogFile(path, first, nullptr, 1);
    Check(a.status != driftline::TReadResult::OpenFailed, "an in-memory file opens");
    Check(a.status != driftline::TReadResult::Changed, "an untouched file did not change");
    Check(first.allSamples().size() == first.allRecords().size(), "one sample per record");
    Check(first.voltageSamples().size() == first.voltageRecords().size(), "one voltage sample per voltage record");
    Check(first.voltageRecords().size() <= first.allRecords().size(), "voltage records are records");

    driftline::TSampleStore second;
    const driftline::TReadResult b = driftline::readLogFile(path, second, nullptr, 2);
    Check(a.status == b.status && a.line == b.line, "same bytes, same outcome");
    Check(first.allRecords().size() == second.allRecords().size(), "same bytes, same records");
    return 0;
}
