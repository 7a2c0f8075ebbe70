#include "common/AtomicFile.h"

#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace AtomicFile {

namespace {

std::filesystem::path temporaryName(const std::filesystem::path& target)
{
    std::random_device seed;
    std::mt19937 random(seed());
    std::filesystem::path tmp = target;
    tmp += ".tmp-" + std::to_string(random() % 1000000000u);
    return tmp;
}

bool syncFile(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool write(const std::filesystem::path& target, const std::function<bool(std::ostream&)>& writer)
{
    const std::filesystem::path tmp = temporaryName(target);
    bool ok = false;
    {
        std::ofstream out(tmp, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!out.is_open())
            return false;
        ok = writer(out);
        out.flush();
        ok = ok && out.good();
        out.close();
        ok = ok && !out.fail();
    }
    ok = ok && syncFile(tmp);
    std::error_code error;
    if (ok)
        std::filesystem::rename(tmp, target, error);
    if (!ok || error) {
        std::filesystem::remove(tmp, error);
        return false;
    }
    return true;
}

bool write(const std::filesystem::path& target, std::string_view content)
{
    return write(target, [content](std::ostream& out) {
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        return true;
    });
}

} // namespace AtomicFile
