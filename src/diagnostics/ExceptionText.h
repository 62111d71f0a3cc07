#pragma once

#include <string>

namespace workflow {

// What a handler threw, as one text: what() of a std::exception, a thrown string itself, else a description
// of the throw. Called inside a catch block only (it rethrows the exception being handled). Any thread.
std::string DescribeCurrentException();

}  // namespace workflow
