# Writes the AppStream file from its template, adding the home page and the
# screenshots when their web addresses are known:
#
#   cmake -DTEMPLATE=vitrix.metainfo.xml.in -DOUTPUT=file.xml -DVERSION=0.1
#         [-DHOMEPAGE=https://...] [-DSCREENSHOTS=https://.../] -P metainfo.cmake
#
# SCREENSHOTS is the address of a folder holding the pictures of docs/
# (main-window.png, editor.png, upload.png).

foreach(variable TEMPLATE OUTPUT VERSION)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "metainfo.cmake needs -D${variable}=...")
  endif()
endforeach()

set(urls "")
if(HOMEPAGE)
  string(APPEND urls "  <url type=\"homepage\">${HOMEPAGE}</url>\n")
endif()
if(SCREENSHOTS)
  if(NOT SCREENSHOTS MATCHES "/$")
    string(APPEND SCREENSHOTS "/")
  endif()
  string(APPEND urls "  <screenshots>\n")
  foreach(shot
      "default|main-window.png|The main window|La fenêtre principale"
      "extra|editor.png|The capture editor: an e-mail address masked in red|L’éditeur de capture : une adresse masquée en rouge"
      "extra|upload.png|The forum tag in the links box after an upload|La balise de forum dans la liste de liens après un envoi")
    string(REPLACE "|" ";" shot "${shot}")
    list(GET shot 0 type)
    list(GET shot 1 file)
    list(GET shot 2 caption)
    list(GET shot 3 caption_fr)
    string(APPEND urls "    <screenshot type=\"${type}\">\n"
                       "      <caption>${caption}</caption>\n"
                       "      <caption xml:lang=\"fr\">${caption_fr}</caption>\n"
                       "      <image>${SCREENSHOTS}${file}</image>\n"
                       "    </screenshot>\n")
  endforeach()
  string(APPEND urls "  </screenshots>\n")
endif()

set(VITRIX_METAINFO_URLS "${urls}")
set(VITRIX_VERSION "${VERSION}")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
