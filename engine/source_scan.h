// Finding page files: the extension test, the order in which a directory's entries are taken,
// and the walk of a source directory with the folders it could not read.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/file_system.h"

// 1 when the path ends with ".FXS", ".FXR" or ".FXD" in any letter case, else 0.
int isFaxFile(const std::string& path);

// The order of a directory's entries: bytes compared with ASCII a-z taken as A-Z, ties broken
// by the raw bytes. For ASCII names this is the order NTFS returns on every file system.
bool precedesInNameOrder(const std::string& a, const std::string& b);

// Why a folder's page files could not be taken.
enum class FolderReason {
    NotFound,
    AccessDenied,
    InUse,
    PathTooLong,
    NotListable,
    NameNotInCodePage,  // the program's code page cannot hold its name
    AlreadyMerged,      // the same folder was reached before by another path (a link, a junction):
                        // passed over, which is no failure
    StrangersLink,      // a link, junction or mount point of another user's: never followed,
                        // which is no failure
    LinkOwnerUnknown,   // a link whose owner the system does not tell (Wine): never followed
};

// True for the reasons that count as a folder not read; a folder passed over is none.
bool isFailure(FolderReason reason);

// A folder the walk could not read or passed over, and where it belongs among the page files
// found: after the first `position` of them, the entries of the folder that holds it. A page
// file that is a link not followed is told the same way.
struct UnreadFolder {
    std::size_t position = 0;
    std::string folder;
    FolderReason reason = FolderReason::NotListable;
    std::string firstPath;  // AlreadyMerged: the path the walk entered the folder by
    bool isFile = false;    // a page file's link rather than a folder
};

// What the scan found of a page file besides its path: its own facts when they were asked for (size
// -1 otherwise), and how far its folder's file system may be trusted.
struct PageFacts {
    platform::FileFacts facts;
    platform::FileTrust trust = platform::FileTrust::None;
};

// Appends the page files of `directory` matching `mask` (and, with `includeSubdirs`, those of its
// sub-directories, each at the point where the walk meets it) to `list`, in name order within
// each directory. Each entry is the file's path relative to `sourceDir`, the root of the walk.
// Links, junctions and mount points of the user's or the system's are entered, each folder once;
// anyone else's are never followed, a folder's or a page file's. Every folder that could not be
// read, `directory` itself included, every folder reached a second time and every link not
// followed is added to `unread`. With `facts`, each page file's PageFacts are appended to it
// too, with the file's own facts when `fileFacts` is set.
void listPageFiles(const std::string& sourceDir, const std::string& directory, const std::string& mask,
                   bool includeSubdirs, std::vector<std::string>& list, std::vector<UnreadFolder>& unread,
                   std::vector<PageFacts>* facts = nullptr, bool fileFacts = false);
