#include "document/document.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <limits>
#include <locale>
#include <memory>
#include <sstream>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/document_view.h"
#include "document/sound_file_references.h"
#include "framework/contraption.h"
#include "framework/contraption_factory.h"
#include "framework/document_word.h"
#include "framework/message_box.h"
#include "host/audio_engine_module.h"
#include "platform/files/atomic_file.h"
#include "signal/context.h"
#include "signal/pipe.h"

namespace {

constexpr double kReadableVersion = 0.9;
// Connection lines name contraptions that may have been renamed by hand;
// names are read into a generous buffer.
constexpr std::size_t kConnectionNameLimit = 5000;
constexpr std::size_t kMagicLimit = 99;

void SkipLine(std::istream& is) {
    if (is.fail() && !is.eof())
        is.clear();
    is.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
}

// Consumes the tab that starts a section's next line; false (consuming
// nothing, the failure of reading at the end cleared) when the section is
// over.
bool NextIndentedLine(std::istream& is) {
    const int c = is.get();
    if (c == '\t')
        return true;
    if (c != std::char_traits<char>::eof())
        is.unget();
    else
        is.clear(is.rdstate() & ~std::ios_base::failbit);
    return false;
}

// The value of an indented line ("\t120"). A line that is not indented is
// left for the next section; one that holds no number is consumed.
bool ReadValueLine(std::istream& is, int& value) {
    const int c = is.peek();
    if (c != '\t' && c != ' ')
        return false;
    std::string line;
    std::getline(is, line);
    const char* p = line.data();
    const char* end = p + line.size();
    while (p != end && (*p == '\t' || *p == ' '))
        ++p;
    if (p != end && *p == '+')
        ++p;
    long v = 0;
    const auto result = std::from_chars(p, end, v);
    if (result.ec == std::errc::result_out_of_range)
        v = *p == '-' ? LONG_MIN : LONG_MAX;
    else if (result.ec != std::errc())
        return false;
    // Out-of-range values become the nearest int; the caller clamps them
    // to what it accepts.
    v = std::clamp<long>(v, INT_MIN, INT_MAX);
    value = static_cast<int>(v);
    return true;
}

std::string SystemError(int error) {
    return std::strerror(error);
}

// The longest quoted word ReadDocumentWord takes, whatever limit it is given.
constexpr std::size_t kQuotedNameLimit = 99;
// A message listing hundreds of refused lines would be no clearer than one
// listing this many and counting the rest.
constexpr std::size_t kDroppedLinesListed = 20;

// The header, ".odh 0.5", from the first line (without its line feed).
ODLoadStatus CheckHeader(std::string_view firstLine) {
    std::istringstream is{std::string(firstLine)};
    is.imbue(std::locale::classic());
    std::string magic;
    for (int c = is.peek();
         magic.size() < kMagicLimit && c != std::char_traits<char>::eof() && c != ' ';
         c = is.peek())
        magic.push_back(static_cast<char>(is.get()));
    double version = 0.0;
    is >> version;
    if (magic != ".odh" || is.fail())
        return ODLoadStatus::NotADocument;
    if (version > kReadableVersion)
        return ODLoadStatus::NewerVersion;
    return ODLoadStatus::Loaded;
}

struct DocumentText {
    ODLoadStatus status = ODLoadStatus::Loaded;
    std::string text;
    // Where the line after the header starts.
    std::size_t bodyStart = 0;
    // The line that is too long (from 1).
    long longLine = 0;
    // Why a file could not be read.
    std::string reason;
};

// Takes the whole input from `read` (which fills a buffer and returns the
// bytes read, 0 at the end, -1 on failure with errno set). The header is
// checked as soon as the first line is in, so a file that is no document is
// not read on; every line is checked against the limit as it arrives.
template <class Read> DocumentText TakeText(Read read) {
    DocumentText result;
    std::string& text = result.text;
    std::vector<char> buffer(65536);
    std::size_t lineStart = 0;
    long line = 1;
    bool headerChecked = false;
    const auto checkHeader = [&](std::size_t end) {
        headerChecked = true;
        result.status = CheckHeader(std::string_view(text).substr(0, end));
        return result.status == ODLoadStatus::Loaded;
    };
    for (;;) {
        const long n = read(buffer.data(), buffer.size());
        if (n < 0) {
            result.status = ODLoadStatus::NotOpened;
            result.reason = SystemError(errno);
            return result;
        }
        if (n == 0)
            break;
        std::size_t scanned = text.size();
        text.append(buffer.data(), static_cast<std::size_t>(n));
        for (std::size_t lf; (lf = text.find('\n', scanned)) != std::string::npos;
             scanned = lf + 1) {
            if (lf - lineStart > ODDocument::LineLimit)
                break;
            if (!headerChecked) {
                if (!checkHeader(lf))
                    return result;
                result.bodyStart = lf + 1;
            }
            lineStart = lf + 1;
            ++line;
        }
        if (text.size() - lineStart > ODDocument::LineLimit) {
            // A first line that long is more likely no document at all.
            if (!headerChecked && !checkHeader(ODDocument::LineLimit))
                return result;
            result.status = ODLoadStatus::LineTooLong;
            result.longLine = line;
            return result;
        }
    }
    if (!headerChecked && checkHeader(text.size()))
        result.bodyStart = text.size();
    return result;
}

DocumentText TakeFile(const std::string& path) {
    DocumentText result;
    result.status = ODLoadStatus::NotOpened;
    // Not blocking: opening a FIFO for reading would wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.reason = SystemError(errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result.reason = SystemError(errno);
    } else if (!S_ISREG(st.st_mode)) {
        // A device or FIFO never ends, or ends when someone else says so.
        result.reason = "not a regular file";
    } else {
        result = TakeText([fd](char* data, std::size_t size) -> long {
            for (;;) {
                const ssize_t n = ::read(fd, data, size);
                if (n >= 0 || errno != EINTR)
                    return static_cast<long>(n);
            }
        });
    }
    ::close(fd);
    return result;
}

// Why the reader refused the contraption block at `start`, if it was for a
// name it would not take; empty otherwise (an unknown type, a maker that
// refused, the input ending). Leaves the stream after the names.
std::string RefusedName(std::istream& is, std::streampos start) {
    is.clear();
    is.seekg(start);
    std::string word;
    for (const char* what : {"type name", "instance name"}) {
        is >> std::ws;
        const bool quoted = is.peek() == '"';
        if (ReadDocumentWord(is, word, TContraptionFactory::NameLimit))
            continue;
        // The stream stays good only when the word was refused for its length.
        if (!is)
            return {};
        const std::size_t limit = quoted ? kQuotedNameLimit : TContraptionFactory::NameLimit;
        return std::string("the ") + what + " is longer than " + std::to_string(limit) +
               " characters";
    }
    return {};
}

} // namespace

double ODSamplesPerTick(int bpm) {
    return MGSampleRate / (bpm * 24.0 / 60.0);
}

std::string ODDisplayName(const std::optional<std::string>& path) {
    if (!path)
        return "Untitled";
    const std::size_t slash = path->rfind('/');
    const std::string base = slash == std::string::npos ? *path : path->substr(slash + 1);
    const std::string name = base.substr(0, base.find('.'));
    // A hidden file (".song.odh") would have no name at all.
    return name.empty() ? base : name;
}

ODDocument::ODDocument(ODDocumentView& mainForm, TAudioEngineModule& engine)
    : mainForm(mainForm), engine(engine) {}

void ODDocument::EmptyPatch() {
    mainForm.ClearPatcher();
    fileName.reset();
    mainForm.SetTempo(120);
    engine.context.samplesPerTick = ODSamplesPerTick(120);
    engine.factory->ResetAllNumbers();
    mainForm.PatchEmptied();
}

void ODDocument::New() {
    EmptyPatch();
    Named();
}

void ODDocument::Named() {
    mainForm.DocumentNamed(DisplayName() + " - Ondrafel", fileName.value_or(std::string()));
}

bool ODDocument::Open(const std::string& path) {
    std::optional<std::string> previous = std::move(fileName);
    fileName = path;
    if (!Load()) {
        // The patch on screen is still the previous document's: keep its
        // name, so that Save does not write it over the file that failed.
        fileName = std::move(previous);
        return false;
    }
    return true;
}

// The line a position of the text is on. Counting goes on from the position
// asked about last, so a whole load costs one pass over the text.
class ODDocument::LineCounter {
public:
    explicit LineCounter(const std::string& text) : text(text) {}
    long LineAt(std::size_t position) {
        position = std::min(position, text.size());
        if (position < counted) {
            counted = 0;
            line = 1;
        }
        line += std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                           text.begin() + static_cast<std::ptrdiff_t>(position), '\n');
        counted = position;
        return line;
    }

private:
    const std::string& text;
    std::size_t counted = 0;
    long line = 1;
};

bool ODDocument::Load() {
    if (!fileName)
        return false;
    const std::string path = *fileName;
    droppedLines.clear();
    const DocumentText document = TakeFile(path);
    lastLoadStatus = document.status;
    // Every refusal comes before the patch is touched.
    switch (document.status) {
    case ODLoadStatus::NotOpened:
        ShowMessage(std::string(ODOpenErrorText) + path + ": " + document.reason, "Ondrafel",
                    TMessageIcon::Error);
        return false;
    case ODLoadStatus::NotADocument:
        ShowMessage(ODNotADocumentText, ODReadErrorCaption, TMessageIcon::Error);
        return false;
    case ODLoadStatus::NewerVersion:
        ShowMessage(ODNewerVersionText, ODReadErrorCaption, TMessageIcon::Error);
        return false;
    case ODLoadStatus::LineTooLong:
        ShowMessage(std::string(ODLineTooLongText) + "\n" + path + ": line " +
                        std::to_string(document.longLine) + " is longer than " +
                        std::to_string(LineLimit) + " characters",
                    ODReadErrorCaption, TMessageIcon::Error);
        return false;
    case ODLoadStatus::Loaded:
    case ODLoadStatus::Incomplete:
        break;
    }

    EmptyPatch();
    fileName = path;
    // Sound files named relative to the document are found while it loads.
    SetSoundFileBase(path);
    lastLoadStatus = Build(document.text, document.bodyStart);

    std::string warning;
    if (lastLoadStatus == ODLoadStatus::Incomplete)
        warning = ODIncompleteText;
    if (!droppedLines.empty()) {
        if (!warning.empty())
            warning += "\n\n";
        warning += ODDroppedContraptionsText;
        for (std::size_t i = 0; i < droppedLines.size() && i < kDroppedLinesListed; ++i)
            warning += "\n" + droppedLines[i];
        if (droppedLines.size() > kDroppedLinesListed)
            warning +=
                "\n(and " + std::to_string(droppedLines.size() - kDroppedLinesListed) + " more)";
    }
    if (!warning.empty())
        ShowMessage(warning, ODReadErrorCaption, TMessageIcon::Warning);
    Named();
    return true;
}

ODLoadStatus ODDocument::Read(std::istream& is) {
    droppedLines.clear();
    const DocumentText document = TakeText([&is](char* data, std::size_t size) -> long {
        is.read(data, static_cast<std::streamsize>(size));
        return static_cast<long>(is.gcount());
    });
    if (document.status != ODLoadStatus::Loaded)
        return lastLoadStatus = document.status;
    return lastLoadStatus = Build(document.text, document.bodyStart);
}

ODLoadStatus ODDocument::Build(const std::string& text, std::size_t bodyStart) {
    std::istringstream is(text);
    is.imbue(std::locale::classic());
    is.seekg(static_cast<std::streamoff>(bodyStart));

    struct RepaintLock {
        ODDocumentView& view;
        explicit RepaintLock(ODDocumentView& view) : view(view) { view.LockRepaint(); }
        ~RepaintLock() { view.UnlockRepaint(); }
    } lock(mainForm);

    LineCounter lines(text);
    bool sawEnd = false;
    ReadSections(is, sawEnd, lines);
    return sawEnd ? ODLoadStatus::Loaded : ODLoadStatus::Incomplete;
}

void ODDocument::ReadSections(std::istream& is, bool& sawEnd, LineCounter& lines) {
    std::string section;
    while (std::getline(is, section)) {
        if (!section.empty() && section.back() == '\r')
            section.pop_back();
        if (section == "end") {
            sawEnd = true;
            return;
        }
        if (section == "tempo:")
            ReadTempo(is);
        else if (section == "splitter:")
            ReadPaneWidth(is);
        else if (section == "visual1:")
            ReadLayout(is);
        else if (section == "contraptions:")
            ReadContraptions(is, lines);
        else if (section == "connections:")
            ReadConnections(is);
        else
            // An unknown section: its indented lines are passed over.
            while (is.peek() == '\t')
                SkipLine(is);
        if (is.fail() && !is.eof())
            is.clear();
    }
}

void ODDocument::ReadTempo(std::istream& is) {
    int bpm = 0;
    if (!ReadValueLine(is, bpm))
        return;
    // Anything outside the tempo field's range would stop or race the
    // clock (0 would divide by zero).
    bpm = std::clamp(bpm, MinTempo, MaxTempo);
    mainForm.SetTempo(bpm);
    engine.context.samplesPerTick = ODSamplesPerTick(bpm);
}

void ODDocument::ReadPaneWidth(std::istream& is) {
    int width = 0;
    if (ReadValueLine(is, width))
        mainForm.SetPatcherPaneWidth(std::clamp(width, 0, MaxPaneWidth));
}

void ODDocument::ReadLayout(std::istream& is) {
    int width = 0, patcher = 1, properties = 1;
    const bool widthRead = ReadValueLine(is, width);
    const bool patcherRead = widthRead && ReadValueLine(is, patcher);
    const bool propertiesRead = patcherRead && ReadValueLine(is, properties);
    if (propertiesRead)
        mainForm.ShowPanes(patcher != 0, properties != 0);
    if (widthRead)
        mainForm.SetPatcherPaneWidth(std::clamp(width, 0, MaxPaneWidth));
}

void ODDocument::ReadContraptions(std::istream& is, LineCounter& lines) {
    while (NextIndentedLine(is)) {
        const std::streampos start = is.tellg();
        std::unique_ptr<TQuorlingContraption> contraption =
            engine.factory->ReadContraption(&engine, is);
        if (contraption != nullptr) {
            contraption->AttachProcessor();
            const int x = contraption->formState->nodeX;
            const int y = contraption->formState->nodeY;
            mainForm.AddPatcherNode(std::move(contraption), x, y);
        } else if (const std::string why = RefusedName(is, start); !why.empty()) {
            droppedLines.push_back("line " +
                                   std::to_string(lines.LineAt(static_cast<std::size_t>(start))) +
                                   ": " + why);
        }
        SkipLine(is);
    }
}

void ODDocument::ReadConnections(std::istream& is) {
    TGraphLock lock(engine);
    MGDynSigContext::Batch batch(engine.context);
    while (NextIndentedLine(is)) {
        std::string sourceName, targetName;
        int outlet = -1, inlet = -1;
        const bool read = ReadDocumentWord(is, sourceName, kConnectionNameLimit) &&
                          (is >> outlet) &&
                          ReadDocumentWord(is, targetName, kConnectionNameLimit) && (is >> inlet);
        if (read) {
            TQuorlingContraption* source = engine.factory->FindContraption(sourceName);
            TQuorlingContraption* target = engine.factory->FindContraption(targetName);
            if (source != nullptr && target != nullptr &&
                engine.ConnectContraptions(source, outlet, target, inlet))
                mainForm.AddPatcherConnection({source, outlet, target, inlet});
        }
        SkipLine(is);
    }
}

void ODDocument::Write(std::ostream& os) {
    os << ".odh 0.5\n"
       << "tempo:\n"
       << '\t' << mainForm.Tempo() << '\n'
       << "visual1:\n"
       << '\t' << mainForm.PatcherPaneWidth() << '\n'
       << '\t' << (mainForm.PatcherPaneVisible() ? 1 : 0) << '\n'
       << '\t' << (mainForm.PropertiesPaneVisible() ? 1 : 0) << '\n'
       << "contraptions:\n";
    for (const ODPatcherNodeInfo& node : mainForm.PatcherNodes()) {
        node.contraption->formState->nodeX = node.x;
        node.contraption->formState->nodeY = node.y;
        os << '\t' << *node.contraption << '\n';
    }
    os << "connections:\n";
    for (const ODPatcherConnectionInfo& connection : mainForm.PatcherConnections()) {
        os << '\t';
        WriteDocumentWord(os, connection.source->name);
        os << '\t' << connection.outlet << '\t';
        WriteDocumentWord(os, connection.target->name);
        os << '\t' << connection.inlet << '\n';
    }
    os << "end\n";
}

bool ODDocument::WriteFile(const std::string& path) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    Write(text);

    VXAtomicFile file(path);
    if (!file.IsOpen() || !file.Write(text.str()) || !file.Commit(true)) {
        ShowMessage(std::string(ODSaveErrorText) + path + ": " + file.ErrorText(), "Ondrafel",
                    TMessageIcon::Error);
        return false;
    }
    return true;
}

bool ODDocument::Save() {
    if (!fileName)
        return false;
    SetSoundFileBase(*fileName);
    return WriteFile(*fileName);
}

bool ODDocument::SaveAs() {
    const std::optional<std::string> path = mainForm.AskSaveFileName(fileName.value_or(""));
    if (!path || path->empty())
        return false;
    return SaveAs(*path);
}

bool ODDocument::SaveAs(const std::string& path) {
    SetSoundFileBase(path);
    if (!WriteFile(path)) {
        if (fileName)
            SetSoundFileBase(*fileName);
        return false;
    }
    fileName = path;
    Named();
    return true;
}

void ODDocument::UpdateModified() {
    if (mainForm.PatcherModified() || engine.contraptionsModified)
        modified = true;
}

void ODDocument::ClearModified() {
    engine.contraptionsModified = false;
    mainForm.ClearPatcherModified();
    modified = false;
}
