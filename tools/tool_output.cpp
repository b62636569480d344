// Output files of the tool, and the files a command reads, kept apart.
//
// A regular file, or a name that does not exist yet, is written under a
// temporary name in its own folder and renamed over its name only once
// complete, so that a failure never leaves half a file in place of a good
// one; a file replaced keeps its permission bits (and its owner when that
// can be kept). A symbolic link is followed, through a chain of them, to the
// file it names, which is replaced in its own folder while the link stays.
// A device, a FIFO or a socket would be destroyed by a rename: it is written
// in place. "-" is the standard output.
//
// Temporary files still pending when the process ends are removed: by an
// atexit handler when it exits (the error printer exits), and by a signal
// handler on SIGINT, SIGTERM and SIGHUP, which then lets the signal end the
// process as it would have.
#include <fcntl.h>
#include <limits.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "tool.h"

namespace {

// ---------------------------------------------------------------------------
// Temporary files not yet renamed. The list changes only while the cleanup
// signals are blocked, so that the handler never sees it half changed; the
// progress thread blocks every signal, so the handler runs on this thread.

const int cleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::vector<std::string>& pendingFiles() {
  static std::vector<std::string>* files = new std::vector<std::string>();  // outlives static destructors
  return *files;
}

class CleanupSignalsBlocked {
 public:
  CleanupSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int number : cleanupSignals) sigaddset(&set, number);
    sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~CleanupSignalsBlocked() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }

 private:
  sigset_t saved_;
};

void forgetPending(const std::string& path) {
  CleanupSignalsBlocked blocked;
  std::vector<std::string>& files = pendingFiles();
  files.erase(std::remove(files.begin(), files.end(), path), files.end());
}

void removePendingFiles() {
  CleanupSignalsBlocked blocked;
  for (const std::string& path : pendingFiles()) unlink(path.c_str());
  pendingFiles().clear();
}

extern "C" void removePendingFilesOnSignal(int number) {
  for (const std::string& path : pendingFiles()) unlink(path.c_str());
  signal(number, SIG_DFL);
  raise(number);  // delivered once the handler returns, with the default action
}

// ---------------------------------------------------------------------------
// Identities of the files a command reads and writes: a file that exists
// is told by its device and inode, whatever the path that reaches it; a
// file still to be created by its folder's real path and its name.

struct FileIdentity {
  std::string path;  // as given, for messages
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  std::string realName;    // of a file that does not exist yet
  bool standardOutput = false;

  bool sameAs(const FileIdentity& other) const {
    if (standardOutput || other.standardOutput) return standardOutput && other.standardOutput;
    if (exists != other.exists) return false;
    return exists ? (device == other.device && inode == other.inode) : realName == other.realName;
  }
};

std::vector<FileIdentity>& inputFiles() {
  static std::vector<FileIdentity>* files = new std::vector<FileIdentity>();
  return *files;
}

std::vector<FileIdentity>& outputFiles() {
  static std::vector<FileIdentity>* files = new std::vector<FileIdentity>();
  return *files;
}

// Refuses an output that is another output or an input of the command.
int registerOutput(const FileIdentity& identity) {
  for (const FileIdentity& output : outputFiles())
    if (output.sameAs(identity)) {
      if (identity.standardOutput)
        errorPrint("plyxen: only one output can be the standard output (\"-\")");
      else
        errorPrint("plyxen: outputs \"%s\" and \"%s\" are the same file", output.path.c_str(), identity.path.c_str());
      return 1;
    }
  for (const FileIdentity& input : inputFiles())
    if (input.sameAs(identity)) {
      errorPrint("plyxen: output \"%s\" is the input file \"%s\"", identity.path.c_str(), input.path.c_str());
      return 1;
    }
  outputFiles().push_back(identity);
  return 0;
}

std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return (slash == 0) ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return (slash == std::string::npos) ? path : path.substr(slash + 1);
}

// Follows the symbolic links from path to the name of the file that an
// output replaces or writes, and tells what is there. Returns 0, or an
// errno value.
int followLinks(const std::string& path, std::string* target, struct stat* status, bool* exists) {
  std::string current = path;
  for (int links = 0;; links++) {
    if (lstat(current.c_str(), status) != 0) {
      if (errno != ENOENT) return errno;
      *exists = false;
      break;
    }
    if (!S_ISLNK(status->st_mode)) {
      *exists = true;
      break;
    }
    if (links == 40) return ELOOP;
    std::vector<char> link(static_cast<size_t>(status->st_size) + PATH_MAX + 1);
    ssize_t length = readlink(current.c_str(), link.data(), link.size() - 1);
    if (length < 0) return errno;
    std::string next(link.data(), static_cast<size_t>(length));
    current = (next[0] == '/') ? next : folderOf(current) + "/" + next;
  }
  *target = current;
  return 0;
}

}  // namespace

void toolProcessInit() {
  pendingFiles();  // made now, not first inside the signal handler
  atexit(removePendingFiles);
  // Memory refused to a container is reported like any other failure,
  // rather than escaping as an exception.
  std::set_new_handler([] { errorPrint("plyxen: out of memory"); });
  // A reader that goes away is a failed write, reported like any other.
  signal(SIGPIPE, SIG_IGN);
#if defined(__GLIBC__)
  // One command per process, whose large work arrays are freed and made
  // again level after level: freed memory stays with the process for the
  // next one instead of going back to the system and being faulted in
  // anew (on a million-vertex mesh 5 to 20 % of the ordering's elapsed time,
  // for the same peak; when the heap cannot grow, the allocator still maps
  // memory as before).
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
#endif
  for (int number : cleanupSignals) {
    struct sigaction action;
    if (sigaction(number, nullptr, &action) != 0 || action.sa_handler == SIG_IGN) continue;  // ignored stays ignored
    memset(&action, 0, sizeof(action));
    action.sa_handler = removePendingFilesOnSignal;
    sigemptyset(&action.sa_mask);
    for (int other : cleanupSignals) sigaddset(&action.sa_mask, other);
    sigaction(number, &action, nullptr);
  }
}

int toolRegisterInput(const std::string& path, FILE* stream, const char* command) {
  struct stat status;
  if (fstat(fileno(stream), &status) != 0) return 0;
  FileIdentity identity;
  identity.path = path;
  identity.exists = true;
  identity.device = status.st_dev;
  identity.inode = status.st_ino;
  for (const FileIdentity& output : outputFiles())
    if (output.sameAs(identity)) {
      errorPrint("plyxen %s: output \"%s\" is the input file \"%s\"", command, output.path.c_str(), path.c_str());
      return 1;
    }
  inputFiles().push_back(identity);
  return 0;
}

ToolOutput::~ToolOutput() {
  if (stream_ != nullptr && stream_ != stdout) fclose(stream_);
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    forgetPending(temporary_);
  }
}

int ToolOutput::open(const std::string& path) {
  path_ = path;
  FileIdentity identity;
  identity.path = path;
  if (path == "-") {
    identity.standardOutput = true;
    if (registerOutput(identity) != 0) return 1;
    stream_ = stdout;
    return 0;
  }

  struct stat status;
  bool exists = false;
  if (int failure = followLinks(path, &target_, &status, &exists); failure != 0) {
    errorPrint("plyxen: cannot write output file \"%s\" (%s)", path.c_str(), strerror(failure));
    return 1;
  }
  if (exists && S_ISDIR(status.st_mode)) {
    errorPrint("plyxen: cannot write output file \"%s\" (it is a folder)", path.c_str());
    return 1;
  }
  identity.exists = exists;
  if (exists) {
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
  } else {
    char* folder = realpath(folderOf(target_).c_str(), nullptr);
    if (folder == nullptr) {
      errorPrint("plyxen: cannot write output file \"%s\" (%s)", path.c_str(), strerror(errno));
      return 1;
    }
    identity.realName = std::string(folder) + "/" + nameOf(target_);
    free(folder);
  }
  if (registerOutput(identity) != 0) return 1;

  if (exists && !S_ISREG(status.st_mode)) {
    // A device or a FIFO: opening a FIFO waits for its reader, as a shell
    // redirection does.
    int descriptor = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    stream_ = (descriptor < 0) ? nullptr : fdopen(descriptor, "w");
    if (stream_ == nullptr) {
      int failure = errno;
      if (descriptor >= 0) close(descriptor);
      errorPrint("plyxen: cannot write output file \"%s\" (%s)", path.c_str(), strerror(failure));
      return 1;
    }
    return 0;
  }

  // Same folder as the file replaced, so that the rename stays on one file
  // system and replaces it in one step.
  std::string pattern = target_ + ".tmp.XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int descriptor;
  {
    CleanupSignalsBlocked blocked;  // no window where the file exists unlisted
    descriptor = mkostemp(name.data(), O_CLOEXEC);
    if (descriptor >= 0) pendingFiles().push_back(name.data());
  }
  if (descriptor < 0) {
    errorPrint("plyxen: cannot create output file \"%s\" (%s)", path.c_str(), strerror(errno));
    return 1;
  }
  temporary_ = name.data();
  if (exists) {
    if (fchown(descriptor, status.st_uid, status.st_gid) != 0) {
      // Only the owner's own files can keep their owner; the bits still do.
    }
    fchmod(descriptor, status.st_mode & 07777);
  } else {
    mode_t mask = umask(0);  // the permissions of a plainly created file
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
  }
  stream_ = fdopen(descriptor, "w");
  if (stream_ == nullptr) {
    close(descriptor);
    errorPrint("plyxen: cannot create output file \"%s\" (%s)", path.c_str(), strerror(errno));
    return 1;
  }
  return 0;
}

int ToolOutput::commit() {
  if (stream_ == stdout) {
    stream_ = nullptr;
    if (fflush(stdout) != 0 || ferror(stdout)) {
      errorPrint("plyxen: cannot write on the standard output (%s)", strerror(errno));
      return 1;
    }
    return 0;
  }
  errno = 0;
  bool good = fflush(stream_) == 0 && ferror(stream_) == 0;
  // A file to be renamed reaches the disk first, so that the rename never
  // puts an empty file in place of the old one after a crash.
  if (good && !temporary_.empty()) good = fsync(fileno(stream_)) == 0;
  int failure = errno;
  if (fclose(stream_) != 0 && good) {
    good = false;
    failure = errno;
  }
  stream_ = nullptr;
  if (!good) {
    errorPrint("plyxen: cannot write output file \"%s\" (%s)", path_.c_str(),
               failure != 0 ? strerror(failure) : "write error");
    return 1;
  }
  if (temporary_.empty()) return 0;
  if (rename(temporary_.c_str(), target_.c_str()) != 0) {
    errorPrint("plyxen: cannot write output file \"%s\" (%s)", path_.c_str(), strerror(errno));
    return 1;
  }
  forgetPending(temporary_);
  temporary_.clear();
  return 0;
}
