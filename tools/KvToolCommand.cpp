#include "KvToolCommand.h"

#include "CommandLine.h"
#include "FileNames.h"
#include "PairFiles.h"
#include "RecordingLoader.h"
#include "ReviewNotes.h"
#include "SafeFile.h"
#include "SegmentEditor.h"

#include <filesystem>
#include <ostream>

namespace kv {

int usageError(const std::string& command, const std::string& problem, std::ostream& err) {
    err << "kvtool " << command << ": " << problem << "\n"
        << "Try 'kvtool " << command << " --help'.\n";
    return kExitError;
}

std::optional<int> refuseOutputOverInput(const std::string& command, const ParsedArgs& args,
                                         std::ostream& err) {
    const std::string out = args.value("-o");
    for (const std::string& in : args.positional()) {
        if (const auto own = pairFileNamedBy(out, in)) {
            err << "kvtool " << command << ": -o " << out
                << " is part of the recording being read (" << *own << "); choose another name\n";
            return kExitError;
        }
        // Nor the reviewer's notes beside it.
        const auto notes = notesPathFor(std::filesystem::u8path(in));
        if (sameFile(std::filesystem::u8path(out), notes)) {
            err << "kvtool " << command << ": -o " << out << " is the notes file of the recording ("
                << notes.string() << "); choose another name\n";
            return kExitError;
        }
    }
    // No command writes a recording: an existing data or sound file (such as
    // one found in a folder being summarised) is never an output. The output
    // is written through links, so the name that counts is the one the links
    // lead to.
    std::error_code ec;
    const std::string real = resolveLinks(std::filesystem::u8path(out)).string();
    if ((hasExtension(real, ".kvd") || hasExtension(real, ".wav") || hasExtension(real, ".mp3")) &&
        std::filesystem::exists(std::filesystem::u8path(real), ec)) {
        err << "kvtool " << command << ": -o " << out << " is a recording's file"
            << (real == out ? "" : " (" + real + ")") << "; choose another name\n";
        return kExitError;
    }
    return std::nullopt;
}

bool refuseInterrupted(const std::string& file, std::ostream& err) {
    const std::string problem = interruptedSaveProblem(pairBaseOf(file));
    if (problem.empty()) return false;
    err << "kvtool: " << file << " is not read: " << problem << "\n";
    return true;
}

void reportReadError(const FileError& e, std::ostream& err) {
    err << "kvtool: " << couldNotLoadText("The kvd file", e.description) << "\n";
}

int checkHead(const std::vector<std::uint8_t>& head, const std::optional<FileError>& error,
              std::ostream& err) {
    if (error) {
        reportReadError(*error, err);
        return kExitError;
    }
    if (!Verify_kvd_Format(head.data(), head.size())) {
        LoadError e;
        e.type = LoadError::Type::BadFormat;
        err << e.message().text << "\n";
        return kExitFormat;
    }
    return kExitOk;
}

std::optional<KvdBlockReader> openRecords(const std::string& file, std::ostream& err,
                                          int& exitCode) {
    if (refuseInterrupted(file, err)) {
        exitCode = kExitError;
        return std::nullopt;
    }
    const ByteReadResult head = readKvdHead(file);
    if ((exitCode = checkHead(head.bytes, head.error, err)) != kExitOk) return std::nullopt;
    std::optional<KvdBlockReader> reader(std::in_place, file);
    if (reader->error() || reader->records() < 5) {
        reportReadError(reader->error().value_or(pastEndError(file)), err);
        exitCode = kExitError;
        return std::nullopt;
    }
    return reader;
}

LoadedRecords loadRecords(const std::string& file, std::ostream& err) {
    LoadedRecords out;
    if (refuseInterrupted(file, err)) {
        out.exitCode = kExitError;
        return out;
    }
    const ByteReadResult head = readKvdHead(file);
    if ((out.exitCode = checkHead(head.bytes, head.error, err)) != kExitOk) return out;
    KvdReadResult read = readKvdFile(file);
    if (read.error || read.records.size() < 5) {
        reportReadError(read.error.value_or(pastEndError(file)), err);
        out.exitCode = kExitError;
        return out;
    }
    out.records = std::move(read.records);
    return out;
}

} // namespace kv
