// Base of the options objects: a deep copy from another object of the same class (Assign),
// and the class name used in the copy's error message.
#pragma once

#include <string>

class TPersistent {
 public:
  virtual ~TPersistent();

  // Copies every value of aSource into this object. The base asks the source to assign itself
  // (AssignTo) and fails with "Cannot assign a <source> to a <destination>".
  virtual void Assign(const TPersistent& aSource);
  // Run-time class name (the C++ class name, as written in the code).
  std::u16string ClassName() const;

 protected:
  virtual void AssignTo(TPersistent& aDest) const;
  [[noreturn]] void AssignError(const TPersistent* aSource) const;
};
