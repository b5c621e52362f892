#include "RecordingLoader.h"

#include "AudioChannel.h"
#include "AudioCommand.h"
#include "PairFiles.h"
#include "PlayTime.h"
#include "SafeFile.h"
#include "SegmentEditor.h"

#include <cctype>
#include <filesystem>

namespace kv {
namespace {

namespace fs = std::filesystem;

// Length of a file, or -1 when it does not exist or is not a file.
std::int64_t fileLength(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::u8path(path), ec)) return -1;
    const auto size = fs::file_size(fs::u8path(path), ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

std::optional<long long> parseWhole(const std::string& text) {
    std::size_t i = 0, n = text.size();
    while (i < n && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    while (n > i && std::isspace(static_cast<unsigned char>(text[n - 1])))
        --n;
    if (i == n || n - i > 12) return std::nullopt;
    long long value = 0;
    for (; i < n; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

LoadError missingFile(LoadError::Type type, std::string kind, std::string path) {
    LoadError e;
    e.type = type;
    e.kind = std::move(kind);
    e.number = kErrFileNotFound;
    e.description = "File not found";
    e.path = std::move(path);
    return e;
}

LoadError otherError(std::string kind, int number, std::string description) {
    LoadError e;
    e.type = LoadError::Type::Other;
    e.kind = std::move(kind);
    e.number = number;
    e.description = std::move(description);
    return e;
}

} // namespace

std::string couldNotLoadText(const std::string& lead, const std::string& reason) {
    return lead + " could not be loaded for the following reason(s): \n" + reason;
}

UserMessage LoadError::message() const {
    switch (type) {
    case Type::DataFileMissing:
        return {path, "File Not Found", MessageIcon::Exclamation};
    case Type::AudioMissing:
        return {
            "The audio file is missing. The .kvd and .wav (or .mp3) files must reside in the same "
            "folder.  Please check and try again or disable audio.\n\nLooked for " +
                expected + " and " + path + ".",
            "File Not Found", MessageIcon::Exclamation};
    case Type::DummyMissing:
        return {
            "The Dummy.mp3 file is missing. This should be located in the application directory." +
                (path.empty() ? std::string() : "\n\nLooked for " + path + "."),
            "File Not Found", MessageIcon::Exclamation};
    case Type::BadFormat:
        return {"This file is corrupt or needs to be converted to version 2 format.",
                "Incompatible file format", MessageIcon::Exclamation};
    case Type::EmptyFile:
        return {"The file " + path + " is empty: it holds no records to play.",
                "Incompatible file format", MessageIcon::Exclamation};
    case Type::Other:
        break;
    }
    return {couldNotLoadText("The " + kind + " file", description), kAppTitle, MessageIcon::None};
}

AudioOpenResult openAudio(AudioChannel& audio, const std::string& path, AudioKind kind) {
    AudioOpenResult out;
    const std::string word = kind == AudioKind::Wav ? "wav" : "mp3";
    const std::string type = kind == AudioKind::Wav ? "waveaudio" : "mpegvideo";
    const AudioReply opened =
        audio.send("open " + quoteCommandWord(path) + " type " + type + " alias WavFile");
    if (!opened.ok()) {
        // The device could not take the file: report it now rather than
        // letting a recording "load" that can never play.
        out.error = otherError(word, opened.code, path + ": " + opened.text);
        return out;
    }
    if (kind != AudioKind::Wav) {
        out.unitsPerSec = 1000;
        return out;
    }
    audio.send("set WavFile time format bytes");
    long long format[3] = {0, 0, 0};
    const char* queries[3] = {"status WavFile samplespersec", "status WavFile bitspersample",
                              "status WavFile channels"};
    for (int i = 0; i < 3; ++i) {
        const auto value = parseWhole(audio.send(queries[i]).text);
        if (!value) {
            out.error = otherError(word, kErrTypeMismatch,
                                   path + ": the sound device did not report the "
                                          "format of the sound");
            return out;
        }
        format[i] = *value;
    }
    const long long units =
        roundHalfEven(static_cast<double>(format[0]) * format[2] * format[1] / 8.0);
    if (units <= 0 || units > 0x7FFFFFFF) {
        out.error =
            otherError(word, kErrInvalidProperty, path + ": the sound's format cannot be played");
        return out;
    }
    out.unitsPerSec = static_cast<std::int32_t>(units);
    return out;
}

LoadResult Load_File(const LoadRequest& request, AudioChannel& audio,
                     const LoadObserver& observer) {
    LoadResult result;
    auto fail = [&](LoadError e) {
        result.error = std::move(e);
        return std::move(result);
    };

    audio.send("close WavFile");
    // A save of this pair that a crash cut short is finished or undone first.
    const Recovery recovered = recoverInterruptedSave(request.basePath);
    if (!recovered.settled()) {
        // The pair may be half old, half new: it is not loaded.
        return fail(otherError("kvd", kErrPathFileAccess,
                               recovered.message + " The recording was not loaded."));
    }
    result.notice = recovered.message;

    const std::string dataPath = pairFile(request.basePath, ".kvd");
    const std::int64_t dataLength = fileLength(dataPath);
    if (dataLength < 0) {
        // A folder or a device under the name is there, but is no data file.
        std::error_code ec;
        if (fs::exists(fs::u8path(dataPath), ec)) {
            const std::string why = unreadableReason(dataPath);
            return fail(otherError("kvd", kErrPathFileAccess,
                                   dataPath + ": " + (why.empty() ? "not a file" : why)));
        }
        return fail(missingFile(LoadError::Type::DataFileMissing, "kvd", dataPath));
    }
    if (dataLength == 0) {
        LoadError e;
        e.type = LoadError::Type::EmptyFile;
        e.kind = "kvd";
        e.path = dataPath;
        return fail(e);
    }

    auto rec = std::make_unique<RecordingFile>();
    if (request.audioEnable) {
        rec->AudioPath = pairFile(request.basePath, ".wav");
        rec->AudioType = AudioKind::Wav;
        if (fileLength(rec->AudioPath) <= 0) {
            rec->AudioPath = pairFile(request.basePath, ".mp3");
            rec->AudioType = AudioKind::Mp3;
            if (fileLength(rec->AudioPath) < 0) {
                LoadError e = missingFile(LoadError::Type::AudioMissing, "mp3", rec->AudioPath);
                e.expected = pairFile(request.basePath, ".wav");
                return fail(e);
            }
        }
    } else {
        rec->AudioPath = request.dummyAudioPath;
        rec->AudioType = AudioKind::Mp3;
        if (fileLength(rec->AudioPath) < 0)
            return fail(missingFile(LoadError::Type::DummyMissing, "mp3", rec->AudioPath));
    }

    AudioOpenResult opened = openAudio(audio, rec->AudioPath, rec->AudioType);
    if (opened.error) {
        audio.send("close WavFile");
        return fail(*opened.error);
    }
    rec->AudioUnitsPerSec = opened.unitsPerSec;

    const ByteReadResult head = readKvdHead(dataPath);
    if (head.error) {
        audio.send("close WavFile");
        return fail(otherError("kvd", head.error->number, head.error->description));
    }
    if (!Verify_kvd_Format(head.bytes.data(), head.bytes.size())) {
        audio.send("close WavFile");
        LoadError e;
        e.type = LoadError::Type::BadFormat;
        e.kind = "kvd";
        e.path = dataPath;
        return fail(e);
    }
    if (observer.loadingStarted) observer.loadingStarted();

    KvdReadResult read = readKvdFile(dataPath, observer.progress);
    if (read.error || read.records.size() < 5) {
        // The file changed under us, or could not be read to the end.
        audio.send("close WavFile");
        const FileError e = read.error.value_or(pastEndError(dataPath));
        return fail(otherError("kvd", e.number, e.description));
    }
    rec->Records = std::move(read.records);

    rec->RecordCount = static_cast<std::int32_t>(rec->Records.size());
    rec->CurrentRecord = rec->Records.back();
    rec->LoopStartRecord = 1;
    rec->LoopEndRecord = rec->RecordCount;
    rec->TotalTimeMs = rec->CurrentRecord.TimeMs;

    const SampleRecord& first = rec->record(1);
    rec->ClockStartSecs = first.MarkType == 'C' ? first.clockMarkSecs() : 0;
    const SampleRecord& second = rec->record(2);
    rec->RecordingDay = second.MarkType == 'D' ? second.dayMarkNumber() : 0;

    rec->SkipStepSecs = Calc_SkipStep(rec->TotalTimeMs / 1000);
    rec->LoadedFileBase = request.basePath;
    result.recording = std::move(rec);
    return result;
}

} // namespace kv
