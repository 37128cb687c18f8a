#include "meta/title_format.h"

#include "meta/title_format_nodes.h"

namespace lumo {

void title_format_output::append(const char* text, ptrdiff_t length) {
  if (!text) return;
  append(length < 0 ? std::string_view(text) : std::string_view(text, size_t(length)));
}

void title_format_output::append_capped(std::string_view text) {
  if (text_.size() >= max_bytes_) return;
  text_.append(text.substr(0, max_bytes_ - text_.size()));
}

void title_format_output::append_repeated(std::string_view text, size_t count) {
  for (size_t i = 0; i < count && !is_full(); ++i) append(text);
}

void title_format_text_filter::write(title_format_output& out, std::string_view text,
                                     title_format_text_kind) const {
  write_filtered_default(out, text);
}

void write_filtered_values_default(title_format_output& out, std::string_view text) {
  constexpr std::string_view stored_separator = "; ";
  size_t run = 0;
  for (size_t i = find_control_byte(text, 0, ';'); i != std::string_view::npos;
       i = find_control_byte(text, i + 1, ';')) {
    out.append(text.substr(run, i - run));
    if (text[i] != ';') {
      out.append_char('_');
      run = i + 1;
    } else if (text.substr(i, 2) == stored_separator) {
      out.append(", ");
      run = i + 2;
      ++i;
    } else {
      out.append_char(';');
      run = i + 1;
    }
  }
  out.append(text.substr(run));
}

namespace {
const title_format_text_filter g_default_filter;
}  // namespace

const title_format_text_filter& default_text_filter() {
  return g_default_filter;
}

bool title_format_args::evaluate(size_t index, title_format_output& out) const {
  if (index >= nodes_.size()) return false;
  return nodes_[index]->evaluate(context_, out);
}

title_format_node_ptr title_format_node::fold(const title_format_node_ptr& self) const {
  if (!is_constant()) return self;
  title_format_null_hook hook;
  title_format_context context{&hook, &default_text_filter(), {}, true};
  context.is_default_filter = true;
  std::string text;
  title_format_output out(text);
  bool found = evaluate(context, out);
  return std::make_shared<tf_literal_node>(std::move(text), found);
}

tf_child make_tf_child(const title_format_node_ptr& node) {
  const title_format_node* p = node.get();
  if (dynamic_cast<const tf_literal_node*>(p)) return {tf_child::kind::literal, p};
  if (dynamic_cast<const tf_field_node*>(p)) return {tf_child::kind::field, p};
  if (dynamic_cast<const tf_conditional_node*>(p)) return {tf_child::kind::conditional, p};
  return {tf_child::kind::other, p};
}

bool evaluate_tf_child(const tf_child& child, title_format_context& context,
                       title_format_output& out) {
  switch (child.node_kind) {
    case tf_child::kind::literal:
      return static_cast<const tf_literal_node*>(child.node)
          ->tf_literal_node::evaluate(context, out);
    case tf_child::kind::field:
      return static_cast<const tf_field_node*>(child.node)->tf_field_node::evaluate(context, out);
    case tf_child::kind::conditional:
      return static_cast<const tf_conditional_node*>(child.node)
          ->tf_conditional_node::evaluate(context, out);
    default: return child.node->evaluate(context, out);
  }
}

bool tf_literal_node::evaluate(title_format_context&, title_format_output& out) const {
  out.append(text_);
  return found_;
}

tf_field_node::tf_field_node(std::string name)
    : name_(std::move(name)), known_(find_known_field(name_)) {}

bool tf_field_node::evaluate(title_format_context& context, title_format_output& out) const {
  title_format_field_output field_out(out, *context.filter, context.is_default_filter);
  bool found = false;
  if (!context.hook->process_known_field(field_out, name_, known_, found)) {
    out.append_char('?');
    return false;
  }
  return found;
}

bool tf_conditional_node::evaluate(title_format_context& context, title_format_output& out) const {
  size_t mark = out.mark();
  bool found = evaluate_tf_child(dispatch_, context, out);
  if (!found) out.truncate(mark);
  return found;
}

title_format_node_ptr tf_conditional_node::fold(const title_format_node_ptr& self) const {
  if (is_constant()) return title_format_node::fold(self);
  auto child = child_->fold(child_);
  if (child == child_) return self;
  return std::make_shared<tf_conditional_node>(std::move(child));
}

namespace {

// Folds each argument; returns null when none changed.
std::vector<title_format_node_ptr> fold_all(const std::vector<title_format_node_ptr>& nodes,
                                            bool& changed) {
  std::vector<title_format_node_ptr> folded;
  folded.reserve(nodes.size());
  changed = false;
  for (const auto& node : nodes) {
    folded.push_back(node->fold(node));
    if (folded.back() != node) changed = true;
  }
  return folded;
}

}  // namespace

bool tf_call_node::evaluate(title_format_context& context, title_format_output& out) const {
  title_format_args args(args_, context);
  return function_.handler(args, out);
}

bool tf_call_node::is_constant() const {
  if (!function_.is_pure) return false;
  for (const auto& arg : args_)
    if (!arg->is_constant()) return false;
  return true;
}

title_format_node_ptr tf_call_node::fold(const title_format_node_ptr& self) const {
  if (is_constant()) return title_format_node::fold(self);
  bool changed = false;
  auto args = fold_all(args_, changed);
  if (!changed) return self;
  return std::make_shared<tf_call_node>(function_, std::move(args));
}

bool tf_unknown_call_node::evaluate(title_format_context& context, title_format_output& out) const {
  title_format_args args(args_, context);
  title_format_field_output field_out(out, *context.filter);
  bool found = false;
  if (!context.hook->process_function(field_out, name_, args, found)) {
    out.append("[UNKNOWN FUNCTION]");
    return false;
  }
  return found;
}

title_format_node_ptr tf_unknown_call_node::fold(const title_format_node_ptr& self) const {
  bool changed = false;
  auto args = fold_all(args_, changed);
  if (!changed) return self;
  return std::make_shared<tf_unknown_call_node>(name_, std::move(args));
}

tf_sequence_node::tf_sequence_node(std::vector<title_format_node_ptr> children)
    : children_(std::move(children)) {
  dispatch_.reserve(children_.size());
  for (const auto& child : children_) dispatch_.push_back(make_tf_child(child));
}

bool tf_sequence_node::evaluate(title_format_context& context, title_format_output& out) const {
  bool found = false;
  for (const auto& child : dispatch_)
    if (evaluate_tf_child(child, context, out)) found = true;
  return found;
}

bool tf_sequence_node::is_constant() const {
  for (const auto& child : children_)
    if (!child->is_constant()) return false;
  return true;
}

title_format_node_ptr tf_sequence_node::fold(const title_format_node_ptr& self) const {
  if (is_constant()) return title_format_node::fold(self);
  bool changed = false;
  auto children = fold_all(children_, changed);
  if (!changed) return self;
  return std::make_shared<tf_sequence_node>(std::move(children));
}

title_format_node_ptr tf_flat_node::try_flatten(const title_format_node_ptr& root) {
  auto flat = std::make_shared<tf_flat_node>();
  if (!flat->add(root, 0)) return nullptr;
  flat->tree_ = root;
  return flat;
}

bool tf_flat_node::add(const title_format_node_ptr& node, int depth) {
  const title_format_node* p = node.get();
  if (auto* literal = dynamic_cast<const tf_literal_node*>(p)) {
    steps_.push_back({step::kind::literal, literal->found(), literal->text(), nullptr});
    return true;
  }
  if (auto* field = dynamic_cast<const tf_field_node*>(p)) {
    steps_.push_back({step::kind::field, false, {}, field});
    fields_.push_back(field->known());
    return true;
  }
  if (auto* sequence = dynamic_cast<const tf_sequence_node*>(p)) {
    for (const auto& child : sequence->children())
      if (!add(child, depth)) return false;
    return true;
  }
  if (auto* block = dynamic_cast<const tf_conditional_node*>(p)) {
    if (depth + 1 >= max_depth) return false;
    steps_.push_back({step::kind::block_begin, false, {}, nullptr});
    if (!add(block->child(), depth + 1)) return false;
    steps_.push_back({step::kind::block_end, false, {}, nullptr});
    return true;
  }
  return false;
}

namespace {

// Writes a value the provider resolved ahead; the default filter is in effect.
inline bool write_field_value(const title_format_field_value& value, const tf_field_node& field,
                              title_format_context& context, title_format_output& out) {
  using kind = title_format_field_value::kind;
  switch (value.value_kind) {
    case kind::unknown:
    case kind::missing: out.append_char('?'); return false;
    case kind::text:
      if (!value.prefix.empty()) out.append(value.prefix);
      write_filtered_default(out, value.text);
      return true;
    case kind::values:
      if (!value.prefix.empty()) out.append(value.prefix);
      // Most values hold neither a separator nor a control byte.
      if (is_plain_text(value.text, ';'))
        out.append(value.text);
      else
        write_filtered_values_default(out, value.text);
      return true;
    default: return field.tf_field_node::evaluate(context, out);
  }
}

}  // namespace

// A sequence's found flag is the OR of its children's and a block passes its child's on, so
// one flag per open block is all the state there is. Blocks do not skip their contents, so
// every field is written exactly once: the provider can resolve them all up front.
bool tf_flat_node::evaluate(title_format_context& context, title_format_output& out) const {
  // The enclosing level's mark and found flag; the open block's flag stays in a register.
  struct frame {
    size_t mark;
    bool found;
  };
  frame stack[max_depth];
  // Left uninitialised: the provider fills what the script uses, and clearing the whole
  // array would cost as much as resolving the fields.
  union value_buffer {
    value_buffer() {}
    title_format_field_value values[max_resolved_fields];
  } buffer;
  const bool resolved =
      context.is_default_filter && !fields_.empty() && fields_.size() <= max_resolved_fields &&
      context.hook->resolve_known_fields(fields_.data(), fields_.size(), buffer.values);
  const title_format_field_value* next_value = buffer.values;
  int top = 0;
  bool found = false;
  for (const step& s : steps_) {
    switch (s.step_kind) {
      case step::kind::literal:
        out.append(s.text);
        found |= s.found;
        break;
      case step::kind::field:
        found |= resolved ? write_field_value(*next_value++, *s.field, context, out)
                          : s.field->tf_field_node::evaluate(context, out);
        break;
      case step::kind::block_begin:
        stack[top++] = {out.mark(), found};
        found = false;
        break;
      case step::kind::block_end: {
        const frame& f = stack[--top];
        if (!found) out.truncate(f.mark);
        found |= f.found;
        break;
      }
    }
  }
  return found;
}

bool title_format_script::evaluate(title_format_hook& hook, title_format_output& out,
                                   const title_format_text_filter* filter) const {
  if (!root_) return false;
  title_format_context context{&hook, filter ? filter : &default_text_filter(), {}, false};
  context.is_default_filter = context.filter == &default_text_filter();
  return root_->evaluate(context, out);
}

std::string title_format_script::format(title_format_hook& hook, bool* found) const {
  std::string text;
  title_format_output out(text);
  bool result = evaluate(hook, out);
  if (found) *found = result;
  return text;
}

}  // namespace lumo
