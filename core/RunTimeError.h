#pragma once
// A numbered run-time error: the failure type of the program's routines.
// It is raised where an operation fails (a notation token that is not a
// number, a socket that refuses an operation) and caught by the event handler
// that owns the failure, which shows its number and description.
#include <stdexcept>
#include <string>

class RunTimeError : public std::runtime_error {
 public:
  RunTimeError(int number, const std::string& description) : std::runtime_error(description), number_(number) {}

  int Number() const { return number_; }
  std::string Description() const { return what(); }

  // The errors the program raises, with the platform's usual texts.
  static RunTimeError TypeMismatch() { return {13, "Type mismatch"}; }
  static RunTimeError InvalidArgument() { return {5, "Invalid procedure call or argument"}; }

 private:
  int number_ = 0;
};
