#include "analysis/DocumentFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/Molecule.h"
#include "platform/core/Archive.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kIncompatibleVersion = "Incompatible zlm-file version!";

bool IsReadVersion(int version) {
    return version == 200 || version == 201;
}

std::string SystemError(const std::string& what, const fs::path& path, int error) {
    return what + " " + path.string() + ": " + std::strerror(error);
}

// A file descriptor closed on every path out.
class CFileHandle {
public:
    explicit CFileHandle(int fd) : m_fd(fd) {}
    ~CFileHandle() {
        if (m_fd >= 0) ::close(m_fd);
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    int Get() const { return m_fd; }
    // Closes now; close reports write errors some file systems delay until then.
    int Close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

// Creates a new file beside target, readable as a new file would be.
int CreateTemporary(const fs::path& target, fs::path& temporary) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary =
            folder / ("." + target.filename().string().substr(0, 180) + "." + std::to_string(::getpid()) +
                      "." + std::to_string(counter++) + "." + std::to_string(random()) + ".tmp");
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

bool ReplaceFile(const fs::path& path, std::span<const std::uint8_t> bytes, std::string& error,
                 const char* failure) {
    fs::path target = path;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }

    // A file we may not write stays as it is, as when it is written in place.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
        error = SystemError(failure, path, errno);
        return false;
    }
    fs::path temporary;
    CFileHandle file(CreateTemporary(target, temporary));
    if (file.Get() < 0) {
        error = SystemError(failure, path, errno);
        return false;
    }
    struct stat existing {};
    bool ok = true;
    int code = 0;
    if (::stat(target.c_str(), &existing) == 0 && ::fchmod(file.Get(), existing.st_mode & 07777) != 0) {
        ok = false;
        code = errno;
    }
    if (ok && (!WriteAll(file.Get(), bytes) || ::fsync(file.Get()) != 0)) {
        ok = false;
        code = errno;
    }
    if (file.Close() != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        error = SystemError(failure, path, code);
        return false;
    }
    // The new name lasts only once the folder is on disk too.
    CFileHandle folder(::open(target.has_parent_path() ? target.parent_path().c_str() : ".",
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0) ::fsync(folder.Get());
    return true;
}

namespace {

// The reading half of SerializeDocument, quiet: the molecule's own load
// empties it quietly on damage; a refused version leaves it as it was, and a
// refused document leaves the plot counter as it was.
std::string ReadDocument(zel::CArchive& ar, CMolecule& molecule) {
    ar.SetFiniteRealsOnly(true);
    const int plotCounter = g_nPlotCounter;
    int version = 0;
    std::string error;
    try {
        ar >> version;
    } catch (const zel::CArchiveException& e) {
        error = e.what();
    }
    if (error.empty() && !IsReadVersion(version)) error = kIncompatibleVersion;
    if (error.empty()) {
        molecule.Serialize(ar);
        error = molecule.GetErrorText();
    }
    if (error.empty())
        molecule.SetPlotState(2);
    else
        g_nPlotCounter = plotCounter;
    return error;
}

} // namespace

std::string SerializeDocument(zel::CArchive& ar, CMolecule& molecule) {
    // A document holds finite numbers only: anything else is damage.
    ar.SetFiniteRealsOnly(true);
    if (ar.IsStoring()) {
        ar << kDocumentVersion;
        molecule.Serialize(ar);
        return molecule.GetErrorText();
    }
    std::string error = ReadDocument(ar, molecule);
    if (!error.empty()) molecule.Reset();
    return error;
}

bool StoreDocumentBytes(CMolecule& molecule, std::vector<std::uint8_t>& bytes, std::string& error) {
    try {
        zel::CArchive ar;
        error = SerializeDocument(ar, molecule);
        if (!error.empty()) return false;
        bytes = ar.Bytes();
        return true;
    } catch (const std::exception& e) {
        // Saving never takes the program down; the document stays in memory.
        error = std::string("Could not save the document: ") + e.what();
        return false;
    }
}

bool LoadDocumentBytes(std::span<const std::uint8_t> bytes, CMolecule& molecule, std::string& error) {
    molecule.Reset();
    zel::CArchive ar(bytes);
    error = SerializeDocument(ar, molecule);
    return error.empty();
}

bool ReadDocumentBytes(std::span<const std::uint8_t> bytes, CMolecule& molecule, std::string& error) {
    zel::CArchive ar(bytes);
    error = ReadDocument(ar, molecule);
    return error.empty();
}

bool SaveDocument(const fs::path& path, CMolecule& molecule, std::string& error) {
    std::vector<std::uint8_t> bytes;
    return StoreDocumentBytes(molecule, bytes, error) && ReplaceFile(path, bytes, error);
}

namespace {

// Appends up to `count` bytes of the file (fewer at its end); false with errno
// set on a read error.
bool ReadSome(int fd, std::vector<std::uint8_t>& bytes, std::size_t count) {
    const std::size_t start = bytes.size();
    bytes.resize(start + count);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, bytes.data() + start + got, count - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            bytes.resize(start + got);
            return false;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(start + got);
    return true;
}

} // namespace

bool ReadDocumentFile(const fs::path& path, std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    CFileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) {
        error = SystemError("Could not open file", path, errno);
        return false;
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        error = SystemError("Could not open file", path, errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = SystemError("Could not open file", path, EISDIR);
        return false;
    }
    try {
        if (!ReadSome(file.Get(), bytes, 4)) {
            error = SystemError("Could not read file", path, errno);
            return false;
        }
        if (bytes.size() < 4) return true;
        const int version = static_cast<int>(static_cast<std::uint32_t>(bytes[0]) |
                                             static_cast<std::uint32_t>(bytes[1]) << 8 |
                                             static_cast<std::uint32_t>(bytes[2]) << 16 |
                                             static_cast<std::uint32_t>(bytes[3]) << 24);
        if (!IsReadVersion(version)) return true;

        // The size is a hint only: special files report 0, and a file may grow.
        constexpr std::size_t kChunk = std::size_t{1} << 20;
        if (S_ISREG(info.st_mode) && info.st_size > 4) bytes.reserve(static_cast<std::size_t>(info.st_size));
        for (;;) {
            const std::size_t before = bytes.size();
            if (!ReadSome(file.Get(), bytes, kChunk)) {
                error = SystemError("Could not read file", path, errno);
                return false;
            }
            if (bytes.size() - before < kChunk) break;
        }
    } catch (const std::bad_alloc&) {
        std::vector<std::uint8_t>().swap(bytes);
        error = "Could not read file " + path.string() + ": not enough memory to load it";
        return false;
    } catch (const std::length_error&) {
        std::vector<std::uint8_t>().swap(bytes);
        error = "Could not read file " + path.string() + ": not enough memory to load it";
        return false;
    }
    return true;
}

bool LoadDocument(const fs::path& path, CMolecule& molecule, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!ReadDocumentFile(path, bytes, error)) return false;
    return LoadDocumentBytes(bytes, molecule, error);
}
