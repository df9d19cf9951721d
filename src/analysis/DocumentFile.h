#pragma once
// The *.zlm document file: an int32 version, then the molecule. No window is
// involved here; the application shows the returned messages and refreshes its
// views.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

class CMolecule;

namespace zel {
class CArchive;
}

// The version written. Files of version 200 and 201 are read alike.
inline constexpr int kDocumentVersion = 200;

// The document's part of an archive in either direction: the version, then the
// molecule. Returns "" on success, else the message to show. A refused or
// damaged document leaves the molecule emptied (CMolecule::Reset); after a
// successful load the control pane shows no plot until one is picked (plot
// state 2). A failed store leaves the molecule as it was.
std::string SerializeDocument(zel::CArchive& ar, CMolecule& molecule);

// The whole document in memory.
bool StoreDocumentBytes(CMolecule& molecule, std::vector<std::uint8_t>& bytes, std::string& error);
// Empties the molecule, then loads; false with the message on refusal.
bool LoadDocumentBytes(std::span<const std::uint8_t> bytes, CMolecule& molecule, std::string& error);
// Loads into a molecule the caller has emptied, without telling the document
// or the views anything, so on the worker while a CJobScope keeps the views
// away; a refused document leaves the model emptied, and the caller empties
// the document. False with the message on refusal.
bool ReadDocumentBytes(std::span<const std::uint8_t> bytes, CMolecule& molecule, std::string& error);

// Writes the document into a new file beside path and renames it over path only
// when all of it has been written and flushed, so a failed save leaves the
// previous file as it was. A symbolic link is saved through, not replaced; an
// existing file's permissions are kept. False with the message on failure.
bool SaveDocument(const std::filesystem::path& path, CMolecule& molecule, std::string& error);
// The way SaveDocument replaces a file, for any bytes: a new file beside path,
// renamed over it once all of it is written and flushed. On failure path is
// as it was and error := failure + " " + path + ": " + the system's reason.
bool ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes, std::string& error,
                 const char* failure = "Could not save file");
// Reads a document file for LoadDocumentBytes: its 4-byte version first, and
// the rest only when it is a version that is read, so that a foreign file of
// any size costs four bytes (loading then refuses what was read). False with
// the message, naming the file and the system's reason, when the file cannot
// be opened or read or does not fit in memory.
bool ReadDocumentFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, std::string& error);
// Reads the file; when it cannot be read the molecule is untouched. Otherwise
// as LoadDocumentBytes.
bool LoadDocument(const std::filesystem::path& path, CMolecule& molecule, std::string& error);
