#pragma once
// The node kinds of a compiled script. Internal to the meta module.

#include <string>
#include <vector>

#include "meta/title_format.h"
#include "meta/title_format_fields.h"
#include "meta/title_format_functions.h"

namespace lumo {

// A child node with its kind, resolved once when the tree is built.
struct tf_child {
  enum class kind : uint8_t { literal, field, conditional, other };
  kind node_kind;
  const title_format_node* node;
};
tf_child make_tf_child(const title_format_node_ptr& node);
// Evaluates a child, calling literal, field and conditional nodes without a virtual call.
bool evaluate_tf_child(const tf_child& child, title_format_context& context,
                       title_format_output& out);

class tf_literal_node final : public title_format_node {
 public:
  tf_literal_node(std::string text, bool found) : text_(std::move(text)), found_(found) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return true; }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override { return self; }
  const std::string& text() const { return text_; }
  bool found() const { return found_; }

 private:
  std::string text_;
  bool found_;
};

class tf_field_node final : public title_format_node {
 public:
  explicit tf_field_node(std::string name);
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return false; }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override { return self; }
  special_field known() const { return known_; }

 private:
  std::string name_;
  special_field known_;
};

class tf_conditional_node final : public title_format_node {
 public:
  explicit tf_conditional_node(title_format_node_ptr child)
      : child_(std::move(child)), dispatch_(make_tf_child(child_)) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return child_->is_constant(); }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override;
  const title_format_node_ptr& child() const { return child_; }

 private:
  title_format_node_ptr child_;
  tf_child dispatch_;
};

class tf_call_node final : public title_format_node {
 public:
  tf_call_node(const title_format_function_entry& function, std::vector<title_format_node_ptr> args)
      : function_(function), args_(std::move(args)) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override;
  title_format_node_ptr fold(const title_format_node_ptr& self) const override;

 private:
  const title_format_function_entry& function_;
  std::vector<title_format_node_ptr> args_;
};

class tf_unknown_call_node final : public title_format_node {
 public:
  tf_unknown_call_node(std::string name, std::vector<title_format_node_ptr> args)
      : name_(std::move(name)), args_(std::move(args)) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return false; }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override;

 private:
  std::string name_;
  std::vector<title_format_node_ptr> args_;
};

class tf_sequence_node final : public title_format_node {
 public:
  explicit tf_sequence_node(std::vector<title_format_node_ptr> children);
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override;
  title_format_node_ptr fold(const title_format_node_ptr& self) const override;
  const std::vector<title_format_node_ptr>& children() const { return children_; }

 private:
  std::vector<title_format_node_ptr> children_;
  // The children again with their kind, so that evaluation can call the common kinds
  // directly instead of through the virtual table (list views run this for every row).
  std::vector<tf_child> dispatch_;
};

// A tree made only of literals, fields, blocks and sequences, laid out as a flat list of
// steps and run by one loop without recursion or virtual calls between the steps. Most
// display scripts ("[[%discnumber%.]%tracknumber%. ]%title%") are of this shape.
class tf_flat_node final : public title_format_node {
 public:
  // Null when the tree holds other kinds or nests deeper than the loop's stack.
  static title_format_node_ptr try_flatten(const title_format_node_ptr& root);

  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return false; }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override { return self; }

 private:
  static constexpr int max_depth = 32;
  // Scripts with more fields resolve them one by one.
  static constexpr size_t max_resolved_fields = 16;

  struct step {
    enum class kind : uint8_t { literal, field, block_begin, block_end };
    kind step_kind;
    bool found;                  // literal: its found flag
    std::string_view text;       // literal: its text (owned by the kept tree)
    const tf_field_node* field;  // field: the node
  };

  bool add(const title_format_node_ptr& node, int depth);

  title_format_node_ptr tree_;  // keeps the nodes the steps point into alive
  std::vector<step> steps_;
  std::vector<special_field> fields_;  // the field steps' ids, in order
};

}  // namespace lumo
