// libxlsxwriter, opened at the first Excel export (see db::LazyLibrary); it
// brings zip and OpenSSL's crypto library along.
#include "core/db/LazyLibrary.h"
#include "exchange/ExchangeError.h"

#include <xlsxwriter.h>

namespace {

[[noreturn]] void fail(const QString &message) { throw Failure(message); }

db::LazyLibrary xlsxwriter("xlsxwriter", 4, &fail);

} // namespace

#define LXW(result, name, parameters, arguments) LAZY_C_FUNCTION(xlsxwriter, result, name, parameters, arguments)
LXW(lxw_workbook *, workbook_new_opt, (const char *f, lxw_workbook_options *o), (f, o))
LXW(lxw_format *, workbook_add_format, (lxw_workbook *w), (w))
LXW(lxw_worksheet *, workbook_add_worksheet, (lxw_workbook *w, const char *n), (w, n))
LXW(lxw_error, workbook_close, (lxw_workbook *w), (w))
LXW(void, worksheet_freeze_panes, (lxw_worksheet *s, lxw_row_t r, lxw_col_t c), (s, r, c))
LXW(lxw_error, worksheet_set_column, (lxw_worksheet *s, lxw_col_t a, lxw_col_t b, double w, lxw_format *f),
    (s, a, b, w, f))
LXW(lxw_error, worksheet_write_number, (lxw_worksheet *s, lxw_row_t r, lxw_col_t c, double n, lxw_format *f),
    (s, r, c, n, f))
LXW(lxw_error, worksheet_write_string, (lxw_worksheet *s, lxw_row_t r, lxw_col_t c, const char *t, lxw_format *f),
    (s, r, c, t, f))
LXW(void, format_set_align, (lxw_format *f, uint8_t a), (f, a))
LXW(void, format_set_bold, (lxw_format *f), (f))
LXW(void, format_set_num_format, (lxw_format *f, const char *n), (f, n))
LXW(void, format_set_text_wrap, (lxw_format *f), (f))
LXW(char *, lxw_strerror, (lxw_error e), (e))
