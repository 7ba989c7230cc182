#include "device/zt_xlsx.h"

#include "util/fileutil.h"
#include "util/sysutil.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace ZT_namespace {

namespace {

// A scratch file for the library to write into; removed with the object.
class TScratchFile {
public:
    TScratchFile()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zt-workbook-XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            throw EOSError(errno, "Не удалось создать временный файл");
        ::close(fd);
        Path = pattern;
    }
    ~TScratchFile() { ::unlink(Path.c_str()); }
    std::string Path;
};

// Sheet names may not hold []:*?/\ and are at most 31 characters long.
std::string SheetName(const std::string& name, size_t index)
{
    std::string text;
    for (char c : name)
        text += std::string_view("[]:*?/\\").find(c) == std::string_view::npos ? c : '_';
    if (text.empty())
        text = Format("Лист%zu", index + 1);
    return text;
}

// "0.000000" for a text with six decimals, so that a number cell shows as
// many digits as the page.
std::string DecimalsFormat(const std::string& text)
{
    const size_t point = text.find('.');
    if (point == std::string::npos)
        return "0";
    return "0." + std::string(text.size() - point - 1, '0');
}

} // namespace

const char* WorkbookDateFormat(int kind)
{
    switch (kind) {
    case kDailyArchive:
    case kMonthlyArchive:
        return "dd/mm/yy";
    case kHourlyArchive:
        return "dd/mm/yy hh:mm";
    default:
        return "dd/mm/yy hh:mm:ss";
    }
}

void WriteArchiveWorkbook(const std::string& path, const std::vector<TArchiveTableStruct>& tables)
{
    TScratchFile scratch;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE; // rows go out as they are written
    lxw_workbook* book = workbook_new_opt(scratch.Path.c_str(), &options);
    if (!book)
        throw Exception("Не удалось создать книгу Excel");

    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* duration = workbook_add_format(book);
    format_set_num_format(duration, "[h]:mm:ss");
    std::map<std::string, lxw_format*> numberFormats;
    auto numberFormat = [&](const std::string& text) {
        const std::string code = DecimalsFormat(text);
        auto it = numberFormats.find(code);
        if (it == numberFormats.end()) {
            lxw_format* format = workbook_add_format(book);
            format_set_num_format(format, code.c_str());
            it = numberFormats.emplace(code, format).first;
        }
        return it->second;
    };

    for (size_t t = 0; t < tables.size(); ++t) {
        const TArchiveTableStruct& table = tables[t];
        lxw_worksheet* sheet = workbook_add_worksheet(book, SheetName(table.Name, t).c_str());
        if (!sheet) {
            workbook_close(book);
            throw Exception("Недопустимое имя листа: " + table.Name);
        }
        lxw_format* date = workbook_add_format(book);
        format_set_num_format(date, WorkbookDateFormat(table.Kind));
        for (size_t c = 0; c < table.Columns.size(); ++c) {
            const TArchiveColumnStruct& column = table.Columns[c];
            // About seven pixels to a character of the default font.
            worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), column.Width / 7.0, nullptr);
            worksheet_write_string(sheet, 0, lxw_col_t(c), column.Caption.c_str(), bold);
        }
        lxw_row_t r = 1;
        for (const TArchiveRowStruct& row : table.Rows) {
            for (size_t c = 0; c < row.Cells.size() && c < table.Columns.size(); ++c) {
                const std::string& text = row.Cells[c];
                double value = 0;
                switch (table.Columns[c].Kind) {
                case TColumnKind::Date:
                    if (row.Dated) {
                        // The day count of both is the same from 1900-03-01 on.
                        worksheet_write_number(sheet, r, lxw_col_t(c), row.Time, date);
                        continue;
                    }
                    break;
                case TColumnKind::Number:
                    if (NumberCell(text, value)) {
                        worksheet_write_number(sheet, r, lxw_col_t(c), value, numberFormat(text));
                        continue;
                    }
                    break;
                case TColumnKind::Duration:
                    if (DurationCell(text, value)) {
                        worksheet_write_number(sheet, r, lxw_col_t(c), value, duration);
                        continue;
                    }
                    break;
                case TColumnKind::Text:
                    break;
                }
                if (!text.empty())
                    worksheet_write_string(sheet, r, lxw_col_t(c), text.c_str(), nullptr);
            }
            ++r;
        }
        worksheet_freeze_panes(sheet, 1, 0);
    }

    const lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR)
        throw Exception(std::string("Не удалось записать книгу Excel: ") + lxw_strerror(error));
    WriteFileAtomically(path, ReadWholeFile(scratch.Path));
}

} // namespace ZT_namespace
