// mdbtools' libmdb, opened when the program first reads an Access notebook
// (see db::LazyLibrary).
#include "core/db/LazyLibrary.h"
#include "exchange/ExchangeError.h"

#include <mdbtools.h>

namespace {

[[noreturn]] void fail(const QString &message) { throw Failure(message); }

db::LazyLibrary libmdb("mdb", 3, &fail);

} // namespace

#define MDB(result, name, parameters, arguments) LAZY_C_FUNCTION(libmdb, result, name, parameters, arguments)
MDB(void, mdb_close, (MdbHandle *m), (m))
MDB(const char *, mdb_col_get_prop, (const MdbColumn *c, const gchar *k), (c, k))
MDB(char *, mdb_col_to_string, (MdbHandle *m, void *b, int s, int t, int n), (m, b, s, t, n))
MDB(int, mdb_crack_row, (MdbTableDef *t, int s, size_t n, MdbField *f), (t, s, n, f))
MDB(int, mdb_fetch_row, (MdbTableDef *t), (t))
MDB(int, mdb_find_pg_row, (MdbHandle *m, int r, void **b, int *o, size_t *n), (m, r, b, o, n))
MDB(int, mdb_find_row, (MdbHandle *m, int r, int *s, size_t *n), (m, r, s, n))
MDB(void, mdb_free_tabledef, (MdbTableDef *t), (t))
MDB(unsigned char, mdb_get_byte, (void *b, int o), (b, o))
MDB(double, mdb_get_double, (void *b, int o), (b, o))
MDB(int, mdb_get_int16, (void *b, int o), (b, o))
MDB(long, mdb_get_int32, (void *b, int o), (b, o))
MDB(float, mdb_get_single, (void *b, int o), (b, o))
MDB(int, mdb_is_system_table, (MdbCatalogEntry *e), (e))
MDB(MdbHandle *, mdb_open, (const char *f, MdbFileFlags g), (f, g))
MDB(GPtrArray *, mdb_read_catalog, (MdbHandle *m, int t), (m, t))
MDB(GPtrArray *, mdb_read_columns, (MdbTableDef *t), (t))
MDB(MdbTableDef *, mdb_read_table, (MdbCatalogEntry *e), (e))
MDB(int, mdb_rewind_table, (MdbTableDef *t), (t))
MDB(void, mdb_set_bind_size, (MdbHandle *m, size_t n), (m, n))
