#pragma once
// The node kinds of a compiled script. Internal to the meta module.

#include <string>
#include <vector>

#include "meta/title_format.h"
#include "meta/title_format_functions.h"

namespace lumo {

class tf_literal_node final : public title_format_node {
 public:
  tf_literal_node(std::string text, bool found) : text_(std::move(text)), found_(found) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return true; }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override { return self; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  bool found_;
};

class tf_field_node final : public title_format_node {
 public:
  explicit tf_field_node(std::string name) : name_(std::move(name)) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return false; }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override { return self; }

 private:
  std::string name_;
};

class tf_conditional_node final : public title_format_node {
 public:
  explicit tf_conditional_node(title_format_node_ptr child) : child_(std::move(child)) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override { return child_->is_constant(); }
  title_format_node_ptr fold(const title_format_node_ptr& self) const override;

 private:
  title_format_node_ptr child_;
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
  explicit tf_sequence_node(std::vector<title_format_node_ptr> children)
      : children_(std::move(children)) {}
  bool evaluate(title_format_context& context, title_format_output& out) const override;
  bool is_constant() const override;
  title_format_node_ptr fold(const title_format_node_ptr& self) const override;

 private:
  std::vector<title_format_node_ptr> children_;
};

}  // namespace lumo
