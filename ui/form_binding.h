// Binds stored form data to components: creates the nested components by
// class name, applies their settings, hooks events to the root's handlers by
// name, and writes the same text back.
#pragma once

#include <string_view>

#include "ui/component.h"
#include "ui/form_text.h"

namespace tallivo::ui {

// Applies `data` to `root` (already constructed, of the class data names).
// Nested objects are created owned by root, nested under their enclosing
// component, set, and stored into root's field of the same name. Component
// references and handlers are resolved once every component exists; then the
// after-loading step runs on root and every new component, in reading order.
// Throws FormError naming the line of the first setting that does not fit.
void LoadForm(TComponent& root, const FormObject& data);

// Parses and applies stored form text.
void LoadFormText(TComponent& root, std::string_view text);

// The stored data of root and what it owns: only settings that differ from
// their defaults, events by handler name, references by component name.
FormObject SaveForm(const TComponent& root);

}  // namespace tallivo::ui
