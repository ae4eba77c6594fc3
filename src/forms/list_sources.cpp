#include "forms/list_sources.h"

namespace kestrane {

std::string CountCaption(std::size_t count) { return kCountCaption + std::to_string(count); }

std::string DomainOf(std::string_view userName) {
  std::size_t slash = userName.find('\\');
  return slash == std::string_view::npos ? std::string() : std::string(userName.substr(0, slash));
}

std::string ServerQueryText(std::string_view domain) {
  std::string text = "select Name, operatingsystem";
  text += " from 'LDAP://";
  text += domain;
  text += "' where objectclass='computer' and operatingsystem='*";
  text += "server";
  text += "*'";
  return text;
}

}  // namespace kestrane
