// Owners for the Windows layer. A Windows owner is a security identifier
// (SID) of variable length; the portable checks compare 32-bit numbers,
// where 0 is the administrator whom every check trusts. The SIDs that
// administer the machine, SYSTEM and BUILTIN\Administrators (which owns
// what an elevated administrator creates), are numbered 0. Every other SID
// gets a number of its own, counted from 1 in the order this process first
// meets it, so that two numbers are equal exactly when the SIDs are
// (the anonymous user's aside, which matches nothing: see NumberOf).
//
// A hash of the SID would give the same numbers in every process, but
// nothing needs that: no owner number is kept in a file or passed to
// another process, only compared within one run. And a 32-bit hash could
// be made to collide: most SIDs are assigned by the system, yet some are
// derived from names a user picks (those of app containers, for one), and
// 2^32 tries at a name is little work.

#include "platform/owner_win32.h"

#include <aclapi.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/scoped_win32.h"

namespace swu {

namespace {

// The number of the process's user when its token cannot be read: one no
// owner has, so that no file is taken for this user's.
constexpr uint32_t kNoUser = 0xFFFFFFFF;

// The number of |sid|, which must be valid. Safe to call from several
// threads at once.
uint32_t NumberOf(PSID sid) {
  if (IsWellKnownSid(sid, WinLocalSystemSid) ||
      IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
    return 0;
  }
  static std::mutex lock;
  static std::map<std::string, uint32_t> numbers;  // SID bytes -> number
  static uint32_t next = 1;                        // the next number to give
  std::lock_guard<std::mutex> hold(lock);
  // The anonymous user is no one in particular (wine shows every file of
  // another POSIX user as its): each time a number that matches no other.
  if (IsWellKnownSid(sid, WinAnonymousSid)) return next++;
  std::string bytes(static_cast<const char*>(sid), GetLengthSid(sid));
  auto found = numbers.find(bytes);
  if (found != numbers.end()) return found->second;
  numbers.emplace(std::move(bytes), next);
  return next++;
}

// Reads the SID that |token| holds as |kind| (its user or the default
// owner of what it creates) into *buffer and stores it in *sid. Returns
// false on failure.
bool TokenSid(HANDLE token, TOKEN_INFORMATION_CLASS kind,
              std::vector<char>* buffer, PSID* sid) {
  DWORD size = 0;
  GetTokenInformation(token, kind, nullptr, 0, &size);
  buffer->resize(size);
  if (size == 0 ||
      !GetTokenInformation(token, kind, buffer->data(), size, &size)) {
    return false;
  }
  *sid = kind == TokenUser
             ? reinterpret_cast<TOKEN_USER*>(buffer->data())->User.Sid
             : reinterpret_cast<TOKEN_OWNER*>(buffer->data())->Owner;
  return IsValidSid(*sid);
}

}  // namespace

bool OwnerOf(HANDLE file, uint32_t* owner) {
  PSID sid = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid,
                      nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool known = sid != nullptr && IsValidSid(sid);
  if (known) *owner = NumberOf(sid);
  LocalFree(descriptor);
  return known;
}

// The user, except where the files the process creates go to SYSTEM or
// the administrators (an elevated administrator's do): then 0, as they
// are, so that such a process knows its own files as root does on POSIX.
uint32_t ProcessUser() {
  HANDLE token = INVALID_HANDLE_VALUE;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return kNoUser;
  }
  ScopedHandle held(token);
  std::vector<char> buffer;
  PSID sid = nullptr;
  if (TokenSid(token, TokenOwner, &buffer, &sid) && NumberOf(sid) == 0) {
    return 0;
  }
  return TokenSid(token, TokenUser, &buffer, &sid) ? NumberOf(sid) : kNoUser;
}

}  // namespace swu
