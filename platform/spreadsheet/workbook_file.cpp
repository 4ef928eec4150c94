#include "workbook_file.h"

#include <errno.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>
#include <zip.h>

#include <QDateTime>
#include <QStandardPaths>
#include <cstring>
#include <ctime>
#include <thread>

extern char** environ;

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

// Removes the temporary file unless it was handed on.
struct TempFile {
    std::string path;
    ~TempFile() {
        if (!path.empty()) unlink(path.c_str());
    }
};

void WriteXlsx(const std::string& path, std::vector<std::unique_ptr<Sheet>>& sheets) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    if (!book) throw WorkbookError("The workbook " + path + " could not be made.");
    lxw_error failure = LXW_NO_ERROR;
    for (auto& sheet : sheets) {
        lxw_worksheet* ws = workbook_add_worksheet(book, sheet->name.c_str());
        if (!ws) {
            failure = LXW_ERROR_SHEETNAME_ALREADY_USED;
            break;
        }
        if (sheet->columnWidth >= 0) {
            failure = worksheet_set_column(ws, 0, LXW_COL_MAX - 1, sheet->columnWidth, nullptr);
            if (failure != LXW_NO_ERROR) break;
        }
        sheet->cells.ForEachSorted([&](std::uint32_t row, std::uint32_t col, std::string_view text) {
            failure = worksheet_write_string(ws, row, static_cast<lxw_col_t>(col), text.data(), nullptr);
            return failure == LXW_NO_ERROR;
        });
        if (failure != LXW_NO_ERROR) break;
    }
    const lxw_error closed = workbook_close(book);
    if (failure == LXW_NO_ERROR) failure = closed;
    if (failure != LXW_NO_ERROR)
        throw WorkbookError("The workbook " + path + " could not be written: " + lxw_strerror(failure) + ".");
}

// libxlsxwriter keeps the rows of a sheet in a temporary file and does not notice when writing
// it fails (a full disk): the workbook then holds a cut-off sheet and is reported as written. So
// every sheet of the finished file is read back (its checksum included) and must end complete.
bool SheetsComplete(const std::string& path, std::size_t sheetCount) {
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive) return false;
    bool complete = true;
    std::string buffer(1 << 16, '\0');
    for (std::size_t i = 1; complete && i <= sheetCount; ++i) {
        const std::string name = "xl/worksheets/sheet" + std::to_string(i) + ".xml";
        zip_file_t* entry = zip_fopen(archive, name.c_str(), 0);
        if (!entry) {
            complete = false;
            break;
        }
        std::string tail;
        for (;;) {
            const zip_int64_t got = zip_fread(entry, buffer.data(), buffer.size());
            if (got < 0) {
                complete = false;
                break;
            }
            if (got == 0) break;
            tail.append(buffer.data(), static_cast<std::size_t>(got));
            if (tail.size() > 64) tail.erase(0, tail.size() - 64);
        }
        zip_fclose(entry);
        while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) tail.pop_back();
        const std::string end = "</worksheet>";
        complete = complete && tail.size() >= end.size() &&
                   tail.compare(tail.size() - end.size(), end.size(), end) == 0;
    }
    zip_discard(archive);
    return complete;
}

}  // namespace

std::string WorkbookFolder() {
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return home.toStdString() + "/ORVA-FG/Workbooks";
}

std::string WriteWorkbook(const std::string& folder, std::vector<std::unique_ptr<Sheet>>& sheets) {
    MakeFolder(folder);
    // A name of its own for the file being written; the writer then replaces the empty file.
    std::string name = folder + "/.workbook-XXXXXX.part";
    const int fd = mkstemps(name.data(), 5);
    if (fd < 0)
        throw WorkbookError("The workbook could not be written in " + folder + ": " + Reason(errno) + ".");
    close(fd);
    TempFile temp{name};
    WriteXlsx(temp.path, sheets);
    if (!SheetsComplete(temp.path, sheets.size()))
        throw WorkbookError("The workbook could not be written completely in " + folder +
                            " (is the disk or the temporary folder full?).");

    // The file appears under its own name only when it is complete; link() never replaces one.
    const std::string stem =
        folder + "/Workbook " + QDateTime::currentDateTime().toString("yyyy-MM-dd HH-mm-ss").toStdString();
    for (int n = 1;; ++n) {
        const std::string path = stem + (n == 1 ? "" : " (" + std::to_string(n) + ")") + ".xlsx";
        if (link(temp.path.c_str(), path.c_str()) == 0) return path;
        if (errno != EEXIST || n == 1000)
            throw WorkbookError("The workbook " + path + " could not be written: " + Reason(errno) + ".");
    }
}

void OpenWithDesktop(const std::string& path) {
    char opener[] = "xdg-open";
    char* argv[] = {opener, const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, opener, nullptr, nullptr, argv, environ);
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
