#include "analysis/DocumentFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
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

bool ReplaceFile(const fs::path& path, std::span<const std::uint8_t> bytes, std::string& error) {
    fs::path target = path;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }

    // A file we may not write stays as it is, as when it is written in place.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
        error = SystemError("Could not save file", path, errno);
        return false;
    }
    fs::path temporary;
    CFileHandle file(CreateTemporary(target, temporary));
    if (file.Get() < 0) {
        error = SystemError("Could not save file", path, errno);
        return false;
    }
    struct stat existing {};
    bool ok = true;
    int failure = 0;
    if (::stat(target.c_str(), &existing) == 0 && ::fchmod(file.Get(), existing.st_mode & 07777) != 0) {
        ok = false;
        failure = errno;
    }
    if (ok && (!WriteAll(file.Get(), bytes) || ::fsync(file.Get()) != 0)) {
        ok = false;
        failure = errno;
    }
    if (file.Close() != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        error = SystemError("Could not save file", path, failure);
        return false;
    }
    // The new name lasts only once the folder is on disk too.
    CFileHandle folder(::open(target.has_parent_path() ? target.parent_path().c_str() : ".",
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0) ::fsync(folder.Get());
    return true;
}

} // namespace

namespace {

// The reading half of SerializeDocument, quiet: the molecule's own load
// empties it quietly on damage; a refused version leaves it as it was.
std::string ReadDocument(zel::CArchive& ar, CMolecule& molecule) {
    ar.SetFiniteRealsOnly(true);
    int version = 0;
    std::string error;
    try {
        ar >> version;
    } catch (const zel::CArchiveException& e) {
        error = e.what();
    }
    if (error.empty() && version != 200 && version != 201) error = kIncompatibleVersion;
    if (error.empty()) {
        molecule.Serialize(ar);
        error = molecule.GetErrorText();
    }
    if (error.empty()) molecule.SetPlotState(2);
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

bool LoadDocument(const fs::path& path, CMolecule& molecule, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = SystemError("Could not open file", path, errno);
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = SystemError("Could not read file", path, errno);
        return false;
    }
    return LoadDocumentBytes(bytes, molecule, error);
}
