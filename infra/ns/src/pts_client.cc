// Client of the pts registry service (ONC RPC over UDP): one client per call, each
// stub serialised by its own mutex.
#include <rpc/rpc.h>
#include <syslog.h>

#include <cstdlib>
#include <cstring>

#include "infra/svclog.h"
#include "infra/thr.h"
#include "private/ns_internal.h"

namespace kq::ns {

struct timeval nsCreateTimeout = {25, 0};
struct timeval nsRpcCallTimeout = {120, 0};

namespace {

const struct timeval kStubTimeout = {25, 0};
THR_once_t timeoutOnce = PTHREAD_ONCE_INIT;
THR_mutex_t addMutex = PTHREAD_MUTEX_INITIALIZER;
THR_mutex_t deleteMutex = PTHREAD_MUTEX_INITIALIZER;
THR_mutex_t getMutex = PTHREAD_MUTEX_INITIALIZER;

long EnvNumber(const char *name, bool *set) {
  const char *v = getenv(name);
  *set = v != nullptr;
  return v ? strtol(v, nullptr, 10) : 0;
}

CLIENT *Connect(const char *host) {
  GetTimeOut();
  CLIENT *client = clnt_create_timed(host, PTS_PROGRAM, PTS_VERSION, "udp", &nsCreateTimeout);
  if (!client) {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "pts: %s", clnt_spcreateerror(const_cast<char *>(host)));
    return nullptr;
  }
  // SetTimeOut: the call time-out of every new client.
  clnt_control(client, CLSET_TIMEOUT, reinterpret_cast<char *>(&nsRpcCallTimeout));
  return client;
}

struct Locked {
  THR_mutex_t *m;
  explicit Locked(THR_mutex_t *mutex) : m(mutex) { THR_LockMutex(m); }
  ~Locked() { THR_UnlockMutex(m); }
};

}  // namespace

void ComputeTimeouts(void) {
  bool set = false;
  long create = EnvNumber("PTS_TIMEOUT", &set);
  nsCreateTimeout = {set && create > 0 ? create : 25, 0};
  long call = EnvNumber("ENV_JQP_RPC_TIMEOUT", &set);
  if (set) {
    nsRpcCallTimeout = {call > 25 ? call : 120, 0};
  } else {
    nsRpcCallTimeout = {getenv("JQP_LONGTIME") ? 3600 : 120, 0};
  }
}

void GetTimeOut(void) {
  if (THR_Once(&timeoutOnce, ComputeTimeouts) != 0)
    syslog(51, "QVK: ERROR in THR_Once at file:%s, line:%d,  SysErr:%m", "pts_api", 82);
}

}  // namespace kq::ns

using namespace kq::ns;

namespace {

// No datagram carries more than 64 KiB, so no name on the wire is longer.
constexpr u_int kMaxName = 65535;

// Reads a name into a new string. The claimed length is checked against what the
// stream still holds before anything is allocated: an unbounded read allocated
// whatever length a datagram claimed.
bool DecodeName(XDR *xdrs, char **name) {
  u_int length = 0;
  if (!xdr_u_int(xdrs, &length) || length > kMaxName) return false;
  const u_int padded = (length + BYTES_PER_XDR_UNIT - 1) / BYTES_PER_XDR_UNIT * BYTES_PER_XDR_UNIT;
  const auto *bytes = reinterpret_cast<const char *>(xdr_inline(xdrs, static_cast<int>(padded)));
  if (!bytes) return false;
  char *copy = static_cast<char *>(malloc(length + 1));
  if (!copy) return false;
  memcpy(copy, bytes, length);
  copy[length] = '\0';
  *name = copy;
  return true;
}

}  // namespace

int xdr_pts_object_name_t(XDR *xdrs, pts_object_name_t *object) {
  bool name = xdrs->x_op == XDR_DECODE && !object->name ? DecodeName(xdrs, &object->name)
                                                        : xdr_string(xdrs, &object->name, kMaxName);
  return name && xdr_int(xdrs, &object->type);
}

int xdr_pts_binding_t(XDR *xdrs, pts_binding_t *binding) {
  return xdr_pts_object_name_t(xdrs, &binding->name) && xdr_u_long(xdrs, &binding->prognum) &&
         xdr_u_long(xdrs, &binding->versnum);
}

int pts_add_1(pts_binding_t *binding, int *result, CLIENT *client) {
  return clnt_call(client, PTS_ADD, (xdrproc_t)xdr_pts_binding_t, (caddr_t)binding,
                   (xdrproc_t)xdr_int, (caddr_t)result, kStubTimeout);
}

int pts_delete_1(pts_object_name_t *object, int *result, CLIENT *client) {
  return clnt_call(client, PTS_DELETE, (xdrproc_t)xdr_pts_object_name_t, (caddr_t)object,
                   (xdrproc_t)xdr_int, (caddr_t)result, kStubTimeout);
}

int pts_get_1(pts_object_name_t *object, pts_binding_t *result, CLIENT *client) {
  return clnt_call(client, PTS_GET, (xdrproc_t)xdr_pts_object_name_t, (caddr_t)object,
                   (xdrproc_t)xdr_pts_binding_t, (caddr_t)result, kStubTimeout);
}

namespace {

// One exchange with the pts service on `host`: a new client, the call under the
// stub's mutex, the reply read by `take` and released, the client destroyed.
template <typename Reply, typename Call, typename Take>
bool Exchange(const char *host, THR_mutex_t *mutex, xdrproc_t replyProc, Reply *reply, Call call,
              Take take) {
  CLIENT *client = Connect(host);
  if (!client) return false;
  enum clnt_stat rc;
  {
    Locked lock(mutex);
    rc = static_cast<enum clnt_stat>(call(client));
  }
  if (rc == RPC_SUCCESS) {
    take();
    clnt_freeres(client, replyProc, reinterpret_cast<caddr_t>(reply));
  } else {
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "pts: %s", clnt_sperror(client, const_cast<char *>(host)));
  }
  clnt_destroy(client);
  return rc == RPC_SUCCESS;
}

}  // namespace

int pts_add(const pts_binding_t *binding) {
  if (!binding || !binding->name.name) return 1;
  pts_binding_t arg = *binding;
  int status = 1;
  bool ok = Exchange(
      "localhost", &addMutex, (xdrproc_t)xdr_int, &status,
      [&](CLIENT *c) { return pts_add_1(&arg, &status, c); }, [] {});
  return ok && status == 0 ? 0 : 1;
}

int pts_delete(const char *name, int type) {
  if (!name) return 1;
  pts_object_name_t arg = {const_cast<char *>(name), type};
  int status = 1;
  bool ok = Exchange(
      "localhost", &deleteMutex, (xdrproc_t)xdr_int, &status,
      [&](CLIENT *c) { return pts_delete_1(&arg, &status, c); }, [] {});
  return ok && status == 0 ? 0 : 1;
}

pts_binding_t *pts_get(const char *host, const char *name, int type) {
  if (!name) return nullptr;
  pts_object_name_t arg = {const_cast<char *>(name), type};
  pts_binding_t reply = {};
  pts_binding_t *binding = nullptr;
  Exchange(
      host && *host ? host : "localhost", &getMutex, (xdrproc_t)xdr_pts_binding_t, &reply,
      [&](CLIENT *c) { return pts_get_1(&arg, &reply, c); },
      [&] {
        // An empty name is the service's way of saying it knows no such object.
        if (!reply.name.name || !*reply.name.name) return;
        binding = static_cast<pts_binding_t *>(calloc(1, sizeof(pts_binding_t)));
        if (!binding) return;
        *binding = reply;
        binding->name.name = strdup(reply.name.name);
      });
  return binding;
}

void pts_destroy(pts_binding_t *binding) {
  if (!binding) return;
  free(binding->name.name);
  free(binding);
}
