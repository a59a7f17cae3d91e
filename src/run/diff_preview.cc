// Showing a file's change as a unified diff.

#include "run/diff_preview.h"

#include "diff/unified_diff.h"

namespace swu {

DiffPreview::DiffPreview(const Settings& settings, Platform* platform)
    : settings_(settings), platform_(platform), report_(platform) {
  if (!platform_->GetCurrentDirectory(&current_)) current_.clear();
  color_ = settings.diff_color == DiffColor::kAlways ||
           (settings.diff_color == DiffColor::kAuto &&
            platform_->OutputIsTerminal());
}

DiffOmission DiffPreview::Show(const std::string& path,
                               const OutputTarget& target, bool opened,
                               const DiffSink& sink, const char* image,
                               int64_t size) {
  if (!target.in_place) return ShowOutput(target, sink, image, size);
  return ShowFile(path, opened, image, size, [&](const RegionVisitor& visit) {
    sink.ForEachRegion(image, size, visit);
  });
}

// The -$ output file before and after: replaced by the result, or with
// the result appended.
DiffOmission DiffPreview::ShowOutput(const OutputTarget& target,
                                     const DiffSink& sink, const char* image,
                                     int64_t size) {
  const std::string& path = target.path;
  OutputForm form = settings_.output_form();
  bool single = form == OutputForm::kFile || form == OutputForm::kAppendFile;
  std::string before;
  auto known = outputs_.find(path);
  bool exists = known != outputs_.end();
  if (exists) {
    before = known->second;
  } else {
    exists = ReadOutput(path, &before);
  }
  std::string after = sink.Result(image, size);
  if (form == OutputForm::kAppendFile || form == OutputForm::kAppendDirectory)
    after.insert(0, before);
  DiffRegion region;
  bool changed = RegionBetween(before, after, &region);
  DiffOmission omission = DiffOmission::kNone;
  if (changed || !exists) {
    omission = ShowFile(path, exists, before.data(),
                        static_cast<int64_t>(before.size()),
                        [&](const RegionVisitor& visit) {
                          if (changed) visit(region);
                        });
  }
  if (single) outputs_[path] = std::move(after);
  return omission;
}

// The diff of the file |path| (created unless it |existed|), named
// relative to the current directory. A path that leaves it is left out.
DiffOmission DiffPreview::ShowFile(const std::string& path, bool existed,
                                   const char* old_text, int64_t old_size,
                                   const RegionSource& regions) {
  std::string name;
  if (!DiffPathFor(platform_->SpeltPath(path), current_,
                   platform_->PathSeparator(), &name)) {
    if (existed && !HasRegions(regions)) return DiffOmission::kNone;
    return DiffOmission::kOutside;
  }
  DiffNames names;
  names.old_name = existed ? "a/" + name : "/dev/null";
  names.new_name = "b/" + name;
  if (!WriteUnifiedDiff(old_text, old_size, regions, names, color_, &report_))
    return DiffOmission::kBinary;
  return DiffOmission::kNone;
}

// Reads the output file |path| whole into *contents. Returns false when
// there is no such file (it would be created).
bool DiffPreview::ReadOutput(const std::string& path, std::string* contents) {
  contents->clear();
  std::unique_ptr<File> file = platform_->Open(path, OpenMode::kRead);
  if (file == nullptr) return false;
  int64_t size = SizeOf(file.get());
  if (size <= 0 || !file->Seek(0, Whence::kStart)) return true;
  contents->resize(static_cast<size_t>(size));
  int64_t got = file->Read(&(*contents)[0], size);
  contents->resize(static_cast<size_t>(got > 0 ? got : 0));
  return true;
}

}  // namespace swu
