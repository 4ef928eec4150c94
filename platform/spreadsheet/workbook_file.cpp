#include "workbook_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <QDateTime>
#include <QStandardPaths>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "cell_text.h"
#include "desktop_opener.h"
#include "new_file.h"
#include "workbook_check.h"

namespace orva::sheet {

namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// Makes folder and its parents (user-only rights for the ones made here).
void MakeFolder(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw WorkbookError("The folder " + folder +
                                " for workbooks could not be made: " + Reason(errno) + ".");
        if (slash == std::string::npos) break;
    }
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw WorkbookError("The folder " + folder + " for workbooks could not be made: " +
                            Reason(stat(folder.c_str(), &st) != 0 ? errno : ENOTDIR) + ".");
}

// The workbook being written: closed at the end, and its own hidden name (where it has one)
// removed, whether or not the workbook took its name.
struct NewWorkbook {
    int fd = -1;
    std::string name;
    ~NewWorkbook() {
        if (fd >= 0) close(fd);
        if (!name.empty()) unlink(name.c_str());
    }
};

// Writes libxlsxwriter makes to its temporary files and to the package fail silently or as a
// generic zip error; the system's reason stays in errno.
bool IsWriteFailure(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EIO;
}

std::string LibraryReason(lxw_error error) {
    std::string text = lxw_strerror(error);
    while (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

// The sheets' temporary files (constant-memory mode) belong to the worksheets, and
// workbook_close() closes each when it copies it into the package; a close that fails before
// leaves the rest open, deleted, for the life of the process. A second descriptor on each keeps
// its file from being freed meanwhile, so that a descriptor found on the same file afterwards can
// only be the worksheet's own, still open.
class SheetTempFiles {
public:
    void Add(lxw_worksheet* ws) {
        if (!ws->optimize_tmpfile) return;
        const int fd = fileno(ws->optimize_tmpfile);
        m_files.push_back({ws->optimize_tmpfile, fd, fcntl(fd, F_DUPFD_CLOEXEC, 0)});
    }
    // After workbook_close(): closes what it left open.
    void CloseLeftOpen() {
        for (const Held& held : m_files) {
            if (held.keep < 0) continue;
            struct stat ours {};
            struct stat theirs {};
            if (fstat(held.keep, &ours) == 0 && fstat(held.fd, &theirs) == 0 &&
                ours.st_dev == theirs.st_dev && ours.st_ino == theirs.st_ino)
                std::fclose(held.file);
            close(held.keep);
        }
        m_files.clear();
    }

private:
    struct Held {
        FILE* file;
        int fd;
        int keep;
    };
    std::vector<Held> m_files;
};

[[noreturn]] void Fail(const std::string& folder, const std::string& reason) {
    throw WorkbookError("The workbook could not be written in " + folder + ": " + reason + ".");
}

// Writes the sheets to path, its temporary files in folder (not the system's temporary folder,
// which may be small or full), and gives what each sheet holds.
std::vector<SheetTally> WriteXlsx(const std::string& path, const std::string& folder,
                                  std::vector<std::unique_ptr<Sheet>>& sheets) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(folder.c_str());
    errno = 0;
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    if (!book) Fail(folder, Reason(errno != 0 ? errno : ENOMEM));
    std::vector<SheetTally> tallies;
    SheetTempFiles tempFiles;
    std::string reason;
    std::string scratch;
    for (auto& sheet : sheets) {
        errno = 0;
        lxw_worksheet* ws = workbook_add_worksheet(book, sheet->name.c_str());
        if (!ws) {
            // Its temporary file could not be made, or the name was refused.
            reason = errno != 0 ? Reason(errno) : "the sheet \"" + sheet->name + "\" could not be added";
            break;
        }
        tempFiles.Add(ws);
        if (sheet->columnWidth >= 0) {
            const lxw_error e = worksheet_set_column(ws, 0, LXW_COL_MAX - 1, sheet->columnWidth, nullptr);
            if (e != LXW_NO_ERROR) {
                reason = LibraryReason(e);
                break;
            }
        }
        SheetTally tally;
        std::uint32_t lastRow = 0;
        errno = 0;
        sheet->cells.ForEachSorted([&](std::uint32_t row, std::uint32_t col, std::string_view text) {
            if (text.empty()) return true;  // no cell at all, as libxlsxwriter writes it
            const std::string_view safe = XmlSafeCellText(text, scratch);
            // Both end in a NUL: the cell store's texts and the scratch string.
            const lxw_error e =
                worksheet_write_string(ws, row, static_cast<lxw_col_t>(col), safe.data(), nullptr);
            if (e != LXW_NO_ERROR) {
                reason = LibraryReason(e);
                return false;
            }
            if (IsWriteFailure(errno)) {
                reason = Reason(errno);
                return false;
            }
            if (tally.cells == 0 || row != lastRow) ++tally.rows;
            lastRow = row;
            ++tally.cells;
            return true;
        });
        if (!reason.empty()) break;
        tallies.push_back(tally);
    }
    errno = 0;
    const lxw_error closed = workbook_close(book);
    const int closeError = errno;
    tempFiles.CloseLeftOpen();
    if (!reason.empty()) Fail(folder, reason);
    if (closed != LXW_NO_ERROR) Fail(folder, closeError != 0 ? Reason(closeError) : LibraryReason(closed));
    // A write that failed without a word leaves its reason behind all the same.
    if (IsWriteFailure(closeError)) Fail(folder, Reason(closeError));
    return tallies;
}

}  // namespace

std::string WorkbookFolder() {
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return home.toStdString() + "/ORVA-FG/Workbooks";
}

std::string WriteWorkbook(const std::string& folder, std::vector<std::unique_ptr<Sheet>>& sheets) {
    MakeFolder(folder);
    // The file being written has no name in the folder (a hidden one where the file system
    // cannot do without), so that a process killed meanwhile leaves nothing there; the writer
    // opens it again by a path and replaces the empty file.
    NewWorkbook book;
    book.fd = orva::files::MakeNewFile(folder, O_WRONLY, 0666, book.name);
    if (book.fd < 0) Fail(folder, Reason(errno));
    const std::string written = book.name.empty() ? orva::files::ReopenPath(book.fd) : book.name;
    const std::vector<SheetTally> tallies = WriteXlsx(written, folder, sheets);
    const std::string problem = WorkbookProblem(written, tallies);
    if (!problem.empty()) Fail(folder, problem);

    // The file appears under its own name only when it is complete; a link never replaces one.
    const std::string stem =
        folder + "/Workbook " + QDateTime::currentDateTime().toString("yyyy-MM-dd HH-mm-ss").toStdString();
    for (int n = 1;; ++n) {
        const std::string path = stem + (n == 1 ? "" : " (" + std::to_string(n) + ")") + ".xlsx";
        const int error = book.name.empty() ? orva::files::NameNewFile(book.fd, path)
                          : link(book.name.c_str(), path.c_str()) == 0 ? 0
                                                                       : errno;
        if (error == 0) return path;
        if (error != EEXIST || n == 1000) Fail(folder, Reason(error));
    }
}

void OpenWithDesktop(const std::string& path) {
    pid_t pid = 0;
    const int started = orva::win32::StartDesktopOpener(path, pid);
    if (started != 0)
        throw WorkbookError("The workbook " + path + " was written but could not be opened: xdg-open " +
                            "could not be started (" + Reason(started) + ").");
    // Openers usually hand the file on and end at once; some run the program itself. After a
    // few seconds the opener is taken as running and is reaped when it ends.
    for (int waited = 0; waited < 250; ++waited) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
            throw WorkbookError("The workbook " + path +
                                " was written but could not be opened: xdg-open failed (status " +
                                std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ").");
        }
        if (done < 0) return;
        const timespec step{0, 20'000'000};
        nanosleep(&step, nullptr);
    }
    std::thread([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
    }).detach();
}

}  // namespace orva::sheet
