#include "excreport/options/quill_module_options.h"

#include <stdexcept>

#include "excreport/options/module_identity.h"
#include "excreport/options/options_stream.h"

namespace kestrova {

TQuillModuleOptions::TQuillModuleOptions(std::string moduleName, bool publish)
    : moduleName_(std::move(moduleName)), publish_(publish), texts_(DefaultTexts()) {
  filterClasses_.OnChange = [this] { ApplyChangeRule(); };
  filterMessages_.OnChange = [this] { ApplyChangeRule(); };
  // Only the base class's own defaults can run while the object is being built.
  SetDefaults();
}

void TQuillModuleOptions::EndUpdate() {
  --updateCount_;
  ApplyChangeRule();
}

void TQuillModuleOptions::ApplyChangeRule() {
  if (updateCount_ <= 0 && publish_ && IsSubsystemModule(moduleName_)) Changed();
}

void TQuillModuleOptions::SetEnabled(bool value) {
  enabled_ = value;
  ApplyChangeRule();
}

void TQuillModuleOptions::SetHangDetection(bool value) { Store(fields_.HangDetection, value); }

QuillOptionsImage TQuillModuleOptions::Image() const {
  return QuillOptionsImage{fields_, filterClasses_.Strings(), filterMessages_.Strings(), texts_};
}

void TQuillModuleOptions::ApplyImage(const QuillOptionsImage& image) {
  BeginUpdate();
  const bool hangDetection = fields_.HangDetection;
  fields_ = image.Fields;
  fields_.HangDetection = hangDetection;
  SetHangDetection(image.Fields.HangDetection);
  SetLogReportLimit(image.Fields.LogReportLimit);
  texts_ = image.Texts;
  filterClasses_.Assign(image.FilterClasses);
  filterMessages_.Assign(image.FilterMessages);
  EndUpdate();
}

void TQuillModuleOptions::SetDefaults() { ApplyImage(QuillOptionsImage{}); }

void TQuillModuleOptions::Assign(const TQuillModuleOptions* source) {
  if (source == nullptr) throw std::invalid_argument("Impossible to assign nil as TQuillModuleOptions.");
  ApplyImage(source->Image());
}

void TQuillModuleOptions::SaveToStream(ByteWriter& stream) const { WriteOptionsStream(stream, Image()); }

void TQuillModuleOptions::LoadFromStream(ByteReader& stream, int version) {
  // Fields that an older version does not store keep their current values.
  QuillOptionsImage image = Image();
  ReadOptionsStream(stream, version, image);
  ApplyImage(image);
}

}  // namespace kestrova
