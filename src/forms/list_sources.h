// The texts of the server list's two sources: the count label and the directory query.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrane {

inline constexpr char kCountCaption[] = "Количество объектов: ";
inline constexpr char kDirectoryFailure[] = "Не могу получить список серверов из вашего домена!";

// "Количество объектов: 3"
std::string CountCaption(std::size_t count);

// The domain of a "domain\user" name: the part before the first backslash, "" without one.
std::string DomainOf(std::string_view userName);

// The directory query for the server computers of a domain, on one line.
std::string ServerQueryText(std::string_view domain);

}  // namespace kestrane
