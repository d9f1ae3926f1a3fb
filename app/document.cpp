#include "app/document.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <fstream>
#include <limits>
#include <locale>
#include <memory>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/document_view.h"
#include "app/sound_file_references.h"
#include "framework/contraption.h"
#include "framework/contraption_factory.h"
#include "framework/document_word.h"
#include "framework/message_box.h"
#include "host/audio_engine_module.h"
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

// Writes all of `text` to `fd`; false with errno set on failure.
bool WriteAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Keeps the document's previous version beside it. A hard link costs
// nothing; where the file system has none, the file is copied.
void KeepBackup(const std::string& target) {
    const std::string backup = target + ".bak";
    ::unlink(backup.c_str());
    if (::link(target.c_str(), backup.c_str()) == 0)
        return;
    std::ifstream in(target, std::ios::binary);
    std::ofstream out(backup, std::ios::binary | std::ios::trunc);
    if (in && out)
        out << in.rdbuf();
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writing a symbolic link's document replaces the file it points to, not
// the link.
std::string ResolveLinks(const std::string& path) {
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return target;
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), buffer, sizeof buffer - 1);
        if (n <= 0)
            return target;
        std::string link(buffer, static_cast<std::size_t>(n));
        target = link.front() == '/' ? link : DirectoryOf(target) + "/" + link;
    }
    return target;
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

bool ODDocument::Load() {
    if (!fileName)
        return false;
    std::ifstream file(*fileName, std::ios::binary);
    if (!file) {
        const int error = errno;
        lastLoadStatus = ODLoadStatus::NotOpened;
        ShowMessage(std::string(ODOpenErrorText) + *fileName + ": " + SystemError(error),
                    "Ondrafel", TMessageIcon::Error);
        return false;
    }
    const std::string path = *fileName;
    EmptyPatch();
    fileName = path;
    // Sound files named relative to the document are found while it loads.
    SetSoundFileBase(path);

    lastLoadStatus = Read(file);
    switch (lastLoadStatus) {
    case ODLoadStatus::NotADocument:
        fileName.reset();
        ShowMessage(ODNotADocumentText, ODReadErrorCaption, TMessageIcon::Error);
        break;
    case ODLoadStatus::NewerVersion:
        fileName.reset();
        ShowMessage(ODNewerVersionText, ODReadErrorCaption, TMessageIcon::Error);
        break;
    case ODLoadStatus::Incomplete:
        ShowMessage(ODIncompleteText, ODReadErrorCaption, TMessageIcon::Warning);
        break;
    case ODLoadStatus::Loaded:
    case ODLoadStatus::NotOpened:
        break;
    }
    Named();
    return true;
}

ODLoadStatus ODDocument::Read(std::istream& is) {
    is.imbue(std::locale::classic());
    std::string magic;
    for (int c = is.peek();
         magic.size() < kMagicLimit && c != std::char_traits<char>::eof() && c != ' ' && c != '\n';
         c = is.peek())
        magic.push_back(static_cast<char>(is.get()));
    double version = 0.0;
    is >> version;
    const bool versionRead = !is.fail();
    SkipLine(is);
    if (magic != ".odh" || !versionRead)
        return lastLoadStatus = ODLoadStatus::NotADocument;
    if (version > kReadableVersion)
        return lastLoadStatus = ODLoadStatus::NewerVersion;

    struct RepaintLock {
        ODDocumentView& view;
        explicit RepaintLock(ODDocumentView& view) : view(view) { view.LockRepaint(); }
        ~RepaintLock() { view.UnlockRepaint(); }
    } lock(mainForm);

    bool sawEnd = false;
    ReadSections(is, sawEnd);
    return lastLoadStatus = sawEnd ? ODLoadStatus::Loaded : ODLoadStatus::Incomplete;
}

void ODDocument::ReadSections(std::istream& is, bool& sawEnd) {
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
            ReadContraptions(is);
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

void ODDocument::ReadContraptions(std::istream& is) {
    for (;;) {
        const int c = is.get();
        if (c != '\t') {
            if (c != std::char_traits<char>::eof())
                is.unget();
            else
                is.clear(is.rdstate() & ~std::ios_base::failbit);
            return;
        }
        std::unique_ptr<TQuorlingContraption> contraption =
            engine.factory->ReadContraption(&engine, is);
        if (contraption != nullptr) {
            contraption->AttachProcessor();
            const int x = contraption->formState->nodeX;
            const int y = contraption->formState->nodeY;
            mainForm.AddPatcherNode(std::move(contraption), x, y);
        }
        SkipLine(is);
    }
}

void ODDocument::ReadConnections(std::istream& is) {
    for (;;) {
        const int c = is.get();
        if (c != '\t') {
            if (c != std::char_traits<char>::eof())
                is.unget();
            else
                is.clear(is.rdstate() & ~std::ios_base::failbit);
            return;
        }
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

    const std::string target = ResolveLinks(path);
    const std::size_t slash = target.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    int error = 0;
    std::string temporary;
    int fd = -1;
    // A hidden name beside the document, so that the final rename stays
    // within one file system.
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = directory + "." + base + ".saving" + std::to_string(::getpid()) + "_" +
                    std::to_string(attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        error = errno;
    } else {
        // A document keeps its permissions across saves.
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0)
            ::fchmod(fd, st.st_mode & 07777);
        if (!WriteAll(fd, text.str()) || ::fsync(fd) != 0)
            error = errno;
        if (::close(fd) != 0 && error == 0)
            error = errno;
        if (error == 0) {
            if (::access(target.c_str(), F_OK) == 0)
                KeepBackup(target);
            if (::rename(temporary.c_str(), target.c_str()) != 0)
                error = errno;
        }
        if (error != 0) {
            ::unlink(temporary.c_str());
        } else {
            const int dirFd = ::open(directory.empty() ? "." : directory.c_str(),
                                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (dirFd >= 0) {
                ::fsync(dirFd);
                ::close(dirFd);
            }
        }
    }
    if (error != 0) {
        ShowMessage(std::string(ODSaveErrorText) + path + ": " + SystemError(error), "Ondrafel",
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
