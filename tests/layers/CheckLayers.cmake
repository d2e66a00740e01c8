# Fails when a source file includes a header of a layer above its own, or of a neighbour on the same
# level. Run as: cmake -DSOURCE_DIR=<src> -P CheckLayers.cmake
#
cmake_minimum_required(VERSION 3.25)

# Each folder with the folders its files may include, bottom up.
set(allowed_platform/core platform/core)
set(allowed_platform/graphics platform/core platform/graphics)
set(allowed_platform/settings platform/core platform/settings)
set(allowed_platform/ui platform/core platform/ui)
set(allowed_platform/services platform/core platform/services)
set(platform platform/core platform/graphics platform/settings platform/ui platform/services)
set(allowed_imageformats ${platform} imageformats)
set(allowed_pdf ${platform} pdf)
set(allowed_ado ${platform} ado)
set(allowed_catalog ${platform} imageformats pdf ado catalog)
set(allowed_planogram ${platform} imageformats pdf ado catalog planogram)
set(allowed_reports ${platform} imageformats pdf ado catalog planogram reports)
set(allowed_app ${platform} imageformats pdf ado catalog planogram reports app)
set(folders platform/core platform/graphics platform/settings platform/ui platform/services imageformats pdf ado
    catalog planogram reports app)

set(violations "")
foreach(folder IN LISTS folders)
    file(GLOB files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
    foreach(file IN LISTS files)
        file(STRINGS ${file} includes REGEX "^#include \"[a-z]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^#include \"([^\"]+)/[^/\"]+\".*" "\\1" included "${line}")
            if(NOT included IN_LIST allowed_${folder})
                file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
                string(APPEND violations "\n  ${name} includes ${included}/")
            endif()
        endforeach()
    endforeach()
endforeach()
if(violations)
    message(FATAL_ERROR "Includes that reach up or across the layers:${violations}")
endif()
