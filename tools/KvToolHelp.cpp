#include "KvToolHelp.h"

namespace kv {
namespace {

const char* const kUsage =
    "usage: kvtool info FILE.kvd\n"
    "       kvtool export FILE.kvd [-o OUT.csv]\n"
    "       kvtool channel            (audio commands from standard input)\n"
    "       kvtool cut FILE.kvd --from SECONDS --to SECONDS -o OUT.kvd\n"
    "       kvtool recompute FILE.kvd [--dial 0..3] [--knob 0..63] [--bm 1..3] [--freeze on|off]\n"
    "                 [--needle-bd on|off] [--counter on|off] [-o OUT.csv]\n"
    "       kvtool render FILE.kvd (--record N | --at SECONDS) -o OUT.png [--width W] [--graph]\n"
    "                 [--override ...] [--scale 0|1] [--clock 0..3] [--date 0..2] [--clock-left]\n"
    "       kvtool render FILE.kvd --overview -o OUT.png [--width W] [--from SECONDS --to "
    "SECONDS]\n"
    "       kvtool events FILE.kvd [--kinds KIND,...] [--min-fall DIVISIONS] [--window SECONDS]\n"
    "                 [-o OUT.csv]\n"
    "       kvtool summary PATH... [-o OUT.csv] [--jobs N]\n"
    "       kvtool report FILE.kvd -o OUT.pdf|OUT.png [--from SECONDS --to SECONDS]\n"
    "       kvtool trend PATH... -o OUT.pdf|OUT.png|OUT.csv [--jobs N]\n";

const CommandHelp kCommandHelp[] = {
    {"info", "usage: kvtool info FILE.kvd\n"
             "\n"
             "Prints the number of records, the total time, the skip step, the clock start,\n"
             "the date and the kind of audio found beside the file, one \"key: value\" a line.\n"},
    {"export", "usage: kvtool export FILE.kvd [-o OUT.csv]\n"
               "\n"
               "Writes every record as one CSV row, with a header line.\n"
               "\n"
               "  -o OUT.csv   write to OUT.csv instead of standard output\n"},
    {"channel",
     "usage: kvtool channel\n"
     "\n"
     "Reads audio-channel commands from standard input, one a line, and prints each\n"
     "reply as \"CODE<tab>TEXT\". A line \"sleep MS\" waits MS milliseconds (a whole\n"
     "number up to 86400000, a day); any other sleep is answered with code 273.\n",
     true},
    {"cut", "usage: kvtool cut FILE.kvd --from SECONDS --to SECONDS -o OUT.kvd\n"
            "\n"
            "Saves the whole records between the two times, with their sound, as a new pair\n"
            "OUT.kvd and OUT.wav.\n"
            "\n"
            "  --from SECONDS   start of the segment\n"
            "  --to SECONDS     end of the segment\n"
            "  -o OUT.kvd       the new recording (not the one being cut)\n"},
    {"recompute",
     "usage: kvtool recompute FILE.kvd [OPTIONS] [-o OUT.csv]\n"
     "\n"
     "Runs the meter with your own settings over every record, as the Override box\n"
     "does, and writes one CSV row per record.\n"
     "\n"
     "  --dial 0..3          dial style: 0 Circular 1, 1 Traditional,\n"
     "                       2 Traditional Continuous, 3 Circular 2 (default 1)\n"
     "  --knob 0..63         sensitivity knob position (default 8)\n"
     "  --bm 1..3            body-motion detector: 1 Fine, 2 Medium, 3 Coarse (default 2)\n"
     "  --freeze on|off      body-motion freeze (default off)\n"
     "  --needle-bd on|off   needle BD counter on the Traditional dial (default off)\n"
     "  --counter on|off     BD counter counting (default on)\n"
     "  -o OUT.csv           write to OUT.csv instead of standard output\n"},
    {"render",
     "usage: kvtool render FILE.kvd (--record N | --at SECONDS) -o OUT.png [OPTIONS]\n"
     "\n"
     "Draws the front panel as it stands at one record and saves it as PNG.\n"
     "\n"
     "  --record N       the record to show (1 is the first)\n"
     "  --at SECONDS     the last record at or before this time\n"
     "  -o OUT.png       the picture to write (a name ending .png, or without extension)\n"
     "  --width W        width in pixels, 650..3840 (default 1000)\n"
     "  --graph          add the graph under the panel\n"
     "  --override       recompute with the options of kvtool recompute\n"
     "                   (--dial, --knob, --bm, --freeze, --needle-bd, --counter)\n"
     "  --scale 0|1      scale: 0 Traditional, 1 Simple\n"
     "  --clock 0..3     clock: 0 None, 1 Analog, 2 12 Hour, 3 24 Hour\n"
     "  --date 0..2      date: 0 Hide, 1 Short, 2 Long\n"
     "  --clock-left     the clock on the left\n"
     "\n"
     "usage: kvtool render FILE.kvd --overview -o OUT.png [--width W]\n"
     "                     [--from SECONDS] [--to SECONDS]\n"
     "\n"
     "Draws the whole recording, or the part between the two times, as one strip:\n"
     "the recorded needle's range in each pixel column, the Base, tags, reactions,\n"
     "body-motion alerts and a time axis (width 200..3840, default 1000).\n",
     true},
    {"events",
     "usage: kvtool events FILE.kvd [--kinds KIND,...] [--min-fall DIVISIONS] [--window SECONDS]\n"
     "                     [-o OUT.csv]\n"
     "\n"
     "Lists the events of a recording as CSV, one row per event, in record order:\n"
     "record,time_ms,clock,kind,value,text (clock is the time of day when the recording\n"
     "has a clock mark).\n"
     "\n"
     "Kinds and their value:\n"
     "  tag        a tag mark; the tag number\n"
     "  set        the SET lamp lights; how long it stays lit, in ms\n"
     "  motion     a body-motion alert; how long it lasts, in ms\n"
     "  base       the Base has moved 0.25 or more; the new Base in hundredths\n"
     "  counter    the recorded counter steps; the counter in tenths\n"
     "  reaction   the raw reading falls quickly (the needle moves right); the fall\n"
     "             in raw units, onset to peak (the text gives divisions and time)\n"
     "\n"
     "  --kinds KIND,...        only these kinds (default all)\n"
     "  --min-fall DIVISIONS    smallest reaction, in dial divisions at the recorded\n"
     "                          knob (default 1)\n"
     "  --window SECONDS        longest time from onset to peak (default 3)\n"
     "  -o OUT.csv              write to OUT.csv instead of standard output\n"},
    {"summary",
     "usage: kvtool summary PATH... [-o OUT.csv] [--jobs N]\n"
     "\n"
     "Summarises recordings as CSV, one row per .kvd file, sorted by path. A PATH is a\n"
     ".kvd file or a folder, searched with its subfolders. The columns:\n"
     "file,date,clock_start,duration_ms,records,audio,audio_ms,tags,sets,motions,\n"
     "reactions,base_first,base_last,base_min,base_max,counter_last,status\n"
     "\n"
     "The Base and counter columns are the panel's texts; audio_ms is the length of\n"
     "the sound. status is ok, or a word and the reason: unreadable, format (fails\n"
     "the format check), times (the time goes back), nosound, badsound (the sound\n"
     "cannot be read), shortsound (more than 1 s shorter than the data).\n"
     "Exit status 1 when a row is not ok, 2 when every file fails the format check.\n"
     "\n"
     "  -o OUT.csv   write to OUT.csv instead of standard output\n"
     "  --jobs N     recordings read at once (default: the number of cores)\n"},
    {"report",
     "usage: kvtool report FILE.kvd -o OUT.pdf|OUT.png [--from SECONDS --to SECONDS]\n"
     "\n"
     "Writes the report of a recording on A4 pages: the file, date, time of day,\n"
     "duration and sound, the summary figures, the session overview, the Base over\n"
     "time and the table of events. A PDF holds every page; a PNG the first.\n"
     "\n"
     "  -o OUT.pdf|OUT.png   the report to write\n"
     "  --from SECONDS       start of the range reported (default the start)\n"
     "  --to SECONDS         end of the range reported (default the end)\n",
     true},
    {"trend",
     "usage: kvtool trend PATH... -o OUT.pdf|OUT.png|OUT.csv [--jobs N]\n"
     "\n"
     "Shows sessions over time. The recordings are found and summarised as kvtool\n"
     "summary does (a PATH is a .kvd file or a folder, searched with its subfolders)\n"
     "and put in the order they were made: by the recording's date and clock marks,\n"
     "or by the data file's time when it has no date mark (\"date from the file\").\n"
     "Sessions with the same date and time keep their order by path.\n"
     "\n"
     "A PDF holds the trend page: the Base at the start and end of each session,\n"
     "with a band from its lowest to its highest, and the reactions per hour, on a\n"
     "date axis; then a table of every session, over as many pages as it needs.\n"
     "A PNG holds the first page. A CSV holds the summary columns of each session,\n"
     "in that order, and three more: reactions_per_hour, session_start (the date\n"
     "and time it is ordered by) and date_source (recording, or file).\n"
     "\n"
     "What was found, drawn and left out is said on standard error. Exit status\n"
     "1 when a session is not ok, 2 when every file fails the format check.\n"
     "\n"
     "  -o OUT.pdf|OUT.png|OUT.csv   the trend to write\n"
     "  --jobs N                     recordings read at once (default: the number\n"
     "                               of cores)\n"},
};

const char* const kOverview =
    "usage: kvtool COMMAND [ARGUMENTS]\n"
    "       kvtool COMMAND --help\n"
    "       kvtool --help | --version\n"
    "\n"
    "Works on kv Player recordings: FILE.kvd with its FILE.wav or FILE.mp3.\n"
    "\n"
    "Commands:\n"
    "  info       records, times, clock, date and audio of a recording\n"
    "  export     every record as CSV\n"
    "  cut        save a segment as a new pair\n"
    "  recompute  the meter with your own settings over every record, as CSV\n"
    "  render     the front panel at one record, or the session overview, as PNG\n"
    "  events     tags, SET, body motion, Base, counter and reactions, as CSV\n"
    "  summary    one CSV row per recording, for files and folders\n"
    "  report     a printable report of a recording, as PDF or PNG\n"
    "  trend      sessions over time, as PDF, PNG or CSV\n"
    "  channel    audio-channel commands from standard input\n"
    "\n"
    "Exit status: 0 success, 2 a file failed the format check, 1 any other error.\n";

} // namespace

const CommandHelp* helpFor(const std::string& command) {
    for (const CommandHelp& h : kCommandHelp)
        if (command == h.name) return &h;
    return nullptr;
}

const char* usageText() {
    return kUsage;
}

const char* overviewText() {
    return kOverview;
}

} // namespace kv
