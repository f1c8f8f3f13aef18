// libpq, the PostgreSQL client, opened when the program first talks to a
// server (see LazyLibrary): a notebook file never needs it, and with it come
// TLS, Kerberos and LDAP.
#include "core/db/DbError.h"
#include "core/db/LazyLibrary.h"

#include <libpq-fe.h>

namespace {

[[noreturn]] void fail(const QString &message) { throw db::DbError(message); }

db::LazyLibrary libpq("pq", 5, &fail);

} // namespace

#define PQ(result, name, parameters, arguments) LAZY_C_FUNCTION(libpq, result, name, parameters, arguments)
PQ(PGconn *, PQconnectdbParams, (const char *const *k, const char *const *v, int e), (k, v, e))
PQ(void, PQfinish, (PGconn *c), (c))
PQ(PQconninfoOption *, PQconninfoParse, (const char *s, char **e), (s, e))
PQ(PQconninfoOption *, PQconninfo, (PGconn *c), (c))
PQ(void, PQconninfoFree, (PQconninfoOption *o), (o))
PQ(void, PQreset, (PGconn *c), (c))
PQ(PGcancel *, PQgetCancel, (PGconn *c), (c))
PQ(void, PQfreeCancel, (PGcancel *c), (c))
PQ(int, PQcancel, (PGcancel *c, char *b, int n), (c, b, n))
PQ(char *, PQdb, (const PGconn *c), (c))
PQ(char *, PQhost, (const PGconn *c), (c))
PQ(char *, PQport, (const PGconn *c), (c))
PQ(ConnStatusType, PQstatus, (const PGconn *c), (c))
PQ(PGTransactionStatusType, PQtransactionStatus, (const PGconn *c), (c))
PQ(const char *, PQparameterStatus, (const PGconn *c, const char *p), (c, p))
PQ(char *, PQerrorMessage, (const PGconn *c), (c))
PQ(int, PQsocket, (const PGconn *c), (c))
PQ(int, PQsslInUse, (PGconn *c), (c))
PQ(PGresult *, PQexec, (PGconn *c, const char *q), (c, q))
PQ(PGresult *, PQprepare, (PGconn *c, const char *s, const char *q, int n, const Oid *t), (c, s, q, n, t))
PQ(PGresult *, PQexecPrepared,
   (PGconn *c, const char *s, int n, const char *const *v, const int *l, const int *f, int r), (c, s, n, v, l, f, r))
PQ(int, PQsendQueryParams,
   (PGconn *c, const char *q, int n, const Oid *t, const char *const *v, const int *l, const int *f, int r),
   (c, q, n, t, v, l, f, r))
PQ(PGresult *, PQgetResult, (PGconn *c), (c))
PQ(int, PQisBusy, (PGconn *c), (c))
PQ(int, PQconsumeInput, (PGconn *c), (c))
PQ(ExecStatusType, PQresultStatus, (const PGresult *r), (r))
PQ(char *, PQresultErrorMessage, (const PGresult *r), (r))
PQ(char *, PQresultErrorField, (const PGresult *r, int f), (r, f))
PQ(int, PQntuples, (const PGresult *r), (r))
PQ(int, PQnfields, (const PGresult *r), (r))
PQ(char *, PQfname, (const PGresult *r, int f), (r, f))
PQ(Oid, PQftype, (const PGresult *r, int f), (r, f))
PQ(char *, PQcmdTuples, (PGresult *r), (r))
PQ(char *, PQgetvalue, (const PGresult *r, int t, int f), (r, t, f))
PQ(int, PQgetlength, (const PGresult *r, int t, int f), (r, t, f))
PQ(int, PQgetisnull, (const PGresult *r, int t, int f), (r, t, f))
PQ(void, PQclear, (PGresult *r), (r))
PQ(void, PQfreemem, (void *p), (p))
PQ(unsigned char *, PQunescapeBytea, (const unsigned char *s, size_t *n), (s, n))
