# Writes the page's service worker from its template: the files it keeps and the version that
# names its cache, a hash of those files' contents (any change to the page makes a new one).
#   cmake -DFOLDER=build-web "-DFILES=index.html;page.js;..." -DTEMPLATE=service-worker.js
#         -DOUT=build-web/service-worker.js -P WebOffline.cmake
set(hashes "")
set(quoted "'./'")
foreach(name IN LISTS FILES)
  if(NOT EXISTS "${FOLDER}/${name}")
    message(FATAL_ERROR "The page's file ${FOLDER}/${name} is missing")
  endif()
  file(SHA256 "${FOLDER}/${name}" hash)
  string(APPEND hashes "${name}:${hash}\n")
  string(APPEND quoted ", '${name}'")
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING "${version}" 0 16 SPARKLER_OFFLINE_VERSION)
set(SPARKLER_OFFLINE_FILES "${quoted}")
configure_file("${TEMPLATE}" "${OUT}.new" @ONLY)
file(RENAME "${OUT}.new" "${OUT}")
