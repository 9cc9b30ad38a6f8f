# Run by CPack once it has made the Debian package (CPACK_POST_BUILD_SCRIPTS in CMakeLists.txt).
#
# CPack gives every package with a shared library under /usr/lib a postinst and a postrm that run
# ldconfig. Orvalis's one library is private: it lies in /usr/lib/orvalis, where the dynamic linker never
# looks, and the program loads it by its path, so ldconfig has nothing to do for it (and Debian wants
# ldconfig run by dpkg's trigger, not by maintainer scripts). The package is packed again without those
# two scripts. With no maintainer scripts and no conffiles, removing the package leaves nothing of it in
# dpkg's database; a postrm would keep it listed as "rc" until purged.
#
# A script that does more than CPack's ldconfig call stops the build: it is not this file's to drop.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    set(tree "${CPACK_TOPLEVEL_DIRECTORY}/without-ldconfig")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
    foreach(script postinst postrm)
        set(path "${tree}/DEBIAN/${script}")
        if(NOT EXISTS "${path}")
            continue()
        endif()
        file(STRINGS "${path}" lines)
        list(FILTER lines EXCLUDE REGEX "^(#!/bin/sh|set -e|if \\[ \"\\$1\" = \"[a-z]+\" \\]; then|[ \t]*ldconfig|fi|)$")
        if(lines)
            message(FATAL_ERROR "the package's ${script} does more than run ldconfig: ${lines}")
        endif()
        file(REMOVE "${path}")
    endforeach()
    execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build "${tree}" "${package}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
