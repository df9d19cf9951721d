#pragma once
// Reads an enhanced metafile back with libuemf's own record definitions and
// checks: every record must pass the library's safety check.

#include <uemf.h>
#include <uemf_safe.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace zel::test {

struct EmfFile {
    std::vector<char> bytes;
    std::vector<std::size_t> offsets; // of each record
    bool safe = true;                 // every record passed the check

    const U_ENHMETARECORD* Record(std::size_t i) const {
        return reinterpret_cast<const U_ENHMETARECORD*>(bytes.data() + offsets[i]);
    }
    const U_EMRHEADER* Header() const { return reinterpret_cast<const U_EMRHEADER*>(bytes.data()); }
    // The first record of the type, or null.
    template <class T> const T* Find(unsigned type) const {
        for (std::size_t i = 0; i < offsets.size(); ++i)
            if (Record(i)->iType == type) return reinterpret_cast<const T*>(Record(i));
        return nullptr;
    }
    // The header's description as UTF-16 units, NULs included.
    std::u16string Description() const {
        const U_EMRHEADER* h = Header();
        std::u16string text(h->nDescription, u'\0');
        std::memcpy(text.data(), bytes.data() + h->offDescription, 2 * text.size());
        return text;
    }
};

inline EmfFile ReadEmf(const std::string& path) {
    EmfFile file;
    char* contents = nullptr;
    size_t length = 0;
    if (emf_readdata(path.c_str(), &contents, &length) != 0 || !contents) {
        ADD_FAILURE() << "cannot read " << path;
        return file;
    }
    file.bytes.assign(contents, contents + length);
    std::free(contents);
    std::size_t offset = 0;
    while (offset + sizeof(U_EMR) <= file.bytes.size()) {
        const auto* record = reinterpret_cast<const U_ENHMETARECORD*>(file.bytes.data() + offset);
        if (record->nSize < sizeof(U_EMR) || offset + record->nSize > file.bytes.size()) {
            file.safe = false;
            break;
        }
        if (!U_emf_record_safe(file.bytes.data() + offset)) file.safe = false;
        file.offsets.push_back(offset);
        offset += record->nSize;
    }
    if (offset != file.bytes.size()) file.safe = false;
    return file;
}

} // namespace zel::test
