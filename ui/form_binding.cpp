#include "ui/form_binding.h"

#include <functional>
#include <string>
#include <vector>

#include "ui/published.h"

namespace tallivo::ui {
namespace {

struct PendingSetting {
  TPersistent* target;
  const PropInfo* property;
  const FormProperty* stored;
};

class Loader {
 public:
  explicit Loader(TComponent& root) : root_(root) {}

  void Load(const FormObject& data) {
    if (!SameText(data.className, root_.Class().Name()))
      throw FormError(data.line, "form is of class " + data.className + ", expected " + root_.Class().Name());
    root_.SetName(data.name);
    loaded_.push_back(&root_);
    root_.BeginLoading();
    ApplySettings(root_, data);
    for (const auto& child : data.children) LoadChild(child, &root_);
    for (const auto& p : pending_) ApplyDeferred(p);
    // A field left empty would be a null pointer found much later: a form
    // that lacks one of the class's components, or misspells it, is wrong.
    for (const FieldInfo* field : root_.Class().AllFields()) {
      if (!root_.FindComponent(field->name))
        throw FormError(data.line,
                        "no component named " + field->name + " for " + root_.Class().Name() + "'s field");
    }
    for (TComponent* c : loaded_) c->EndLoading();
  }

 private:
  void LoadChild(const FormObject& data, TComponent* parent) {
    const ClassInfo* info = FindClass(data.className);
    if (!info || !info->GetFactory()) throw FormError(data.line, "unknown class " + data.className);
    if (root_.FindComponent(data.name)) throw FormError(data.line, "duplicate component name " + data.name);
    TComponent* c = info->GetFactory()(&root_);
    c->SetName(data.name);
    c->BeginLoading();
    loaded_.push_back(c);
    if (parent) c->SetParentComponent(parent);
    if (const FieldInfo* field = root_.Class().FindField(data.name)) {
      if (!field->assign(root_, c))
        throw FormError(data.line, data.name + " is not of the class its field expects");
    }
    ApplySettings(*c, data);
    for (const auto& child : data.children) LoadChild(child, c);
  }

  void ApplySettings(TComponent& component, const FormObject& data) {
    for (const auto& stored : data.properties) {
      TPersistent* target = &component;
      const PropInfo* property = nullptr;
      std::string_view rest = stored.name;
      for (;;) {
        const auto dot = rest.find('.');
        property = target->Class().FindProperty(rest.substr(0, dot));
        if (!property)
          throw FormError(stored.line, "unknown setting " + stored.name + " of " + component.Class().Name());
        if (dot == std::string_view::npos) break;
        if (property->kind != PropKind::Object) throw FormError(stored.line, stored.name + " has no parts");
        target = property->object(*target);
        rest = rest.substr(dot + 1);
      }
      if (property->kind == PropKind::Component || property->kind == PropKind::Event) {
        pending_.push_back({target, property, &stored});
      } else {
        Apply(*target, *property, stored, ToPropValue(stored));
      }
    }
  }

  void ApplyDeferred(const PendingSetting& p) {
    const FormValue& v = p.stored->value;
    if (v.kind() != FormValue::Kind::Identifier)
      throw FormError(p.stored->line, p.stored->name + " needs a name");
    const std::string& name = v.AsIdentifier();
    if (p.property->kind == PropKind::Component) {
      TComponent* c = SameText(name, "nil") ? nullptr : root_.FindComponent(name);
      if (!c && !SameText(name, "nil")) throw FormError(p.stored->line, "no component named " + name);
      Apply(*p.target, *p.property, *p.stored, c ? PropValue(c) : PropValue());
    } else {
      const HandlerInfo* h = root_.Class().FindHandler(name);
      if (!h) throw FormError(p.stored->line, "no handler named " + name);
      Apply(*p.target, *p.property, *p.stored, BoundHandler{h->name, h->bind(root_)});
    }
  }

  static void Apply(TPersistent& target, const PropInfo& property, const FormProperty& stored,
                    const PropValue& v) {
    if (!property.set) throw FormError(stored.line, stored.name + " cannot be set");
    try {
      property.set(target, v);
    } catch (const FormError&) {
      throw;
    } catch (const std::exception& e) {
      throw FormError(stored.line, stored.name + ": " + e.what());
    }
  }

  static PropValue ToPropValue(const FormProperty& stored) {
    const FormValue& v = stored.value;
    switch (v.kind()) {
      case FormValue::Kind::Integer:
        return v.AsInteger();
      case FormValue::Kind::Float:
        return v.AsFloat();
      case FormValue::Kind::String:
        return v.AsString();
      case FormValue::Kind::Identifier:
        if (SameText(v.AsIdentifier(), "True")) return true;
        if (SameText(v.AsIdentifier(), "False")) return false;
        return EnumValue{v.AsIdentifier()};
      case FormValue::Kind::Set:
        return v.AsSet();
      case FormValue::Kind::Binary:
        return v.AsBinary();
      case FormValue::Kind::List:
        break;
    }
    throw FormError(stored.line, stored.name + " cannot take a list");
  }

  TComponent& root_;
  std::vector<TComponent*> loaded_;
  std::vector<PendingSetting> pending_;
};

FormValue ToFormValue(const PropValue& v) {
  struct Visitor {
    FormValue operator()(std::monostate) const { return FormValue::Identifier("nil"); }
    FormValue operator()(bool b) const { return FormValue::Identifier(b ? "True" : "False"); }
    FormValue operator()(std::int64_t i) const { return FormValue::Integer(i); }
    FormValue operator()(double d) const { return FormValue::Float(d); }
    FormValue operator()(const std::string& s) const { return FormValue::String(s); }
    FormValue operator()(const EnumValue& e) const { return FormValue::Identifier(e.name); }
    FormValue operator()(const SetValue& s) const { return FormValue::Set(s); }
    FormValue operator()(const Bytes& b) const { return FormValue::Binary(b); }
    FormValue operator()(TComponent* c) const { return FormValue::Identifier(c ? c->Name() : "nil"); }
    FormValue operator()(const BoundHandler& h) const { return FormValue::Identifier(h.name); }
  };
  return std::visit(Visitor{}, v);
}

void SaveSettings(const TPersistent& object, const std::string& prefix, std::vector<FormProperty>& out) {
  for (const PropInfo* p : object.Class().AllProperties()) {
    if (p->kind == PropKind::Object) {
      // A part that only shows another (a style's font that is the control's) is not stored twice.
      if (p->stored(object)) SaveSettings(*p->object(object), prefix + p->name + ".", out);
      continue;
    }
    if (!p->get || !p->stored(object)) continue;
    PropValue v = p->get(object);
    if (p->kind == PropKind::Event) v = EnumValue{std::get<std::string>(v)};
    out.push_back({prefix + p->name, ToFormValue(v), 0});
  }
}

FormObject SaveComponent(const TComponent& root, const TComponent& c) {
  FormObject o;
  o.name = c.Name();
  o.className = c.Class().Name();
  SaveSettings(c, "", o.properties);
  for (std::size_t i = 0; i < root.ComponentCount(); ++i) {
    const TComponent* child = root.Components(i);
    const TComponent* parent = child->GetParentComponent();
    if ((parent == &c) || (&c == &root && (!parent || parent == &root)))
      o.children.push_back(SaveComponent(root, *child));
  }
  return o;
}

}  // namespace

void LoadForm(TComponent& root, const FormObject& data) {
  Loader(root).Load(data);
}

void LoadFormText(TComponent& root, std::string_view text) {
  LoadForm(root, ParseForm(text));
}

FormObject SaveForm(const TComponent& root) {
  return SaveComponent(root, root);
}

}  // namespace tallivo::ui
