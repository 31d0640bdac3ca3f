# The program folder is the executable's folder: snipora, the catalogues, the
# help file and the encoder live side by side there.
set(SNIPORA_PROGRAM_DIR "${CMAKE_BINARY_DIR}")

if(WIN32)
    set(SNIPORA_ENCODER_NAME "ffmpeg.exe")
else()
    set(SNIPORA_ENCODER_NAME "ffmpeg")
endif()

find_program(SNIPORA_SYSTEM_FFMPEG NAMES ffmpeg REQUIRED)
find_program(SNIPORA_SYSTEM_FFPROBE NAMES ffprobe REQUIRED)

# A link, not a copy: the system encoder stays the one Debian updates.
file(CREATE_LINK "${SNIPORA_SYSTEM_FFMPEG}" "${SNIPORA_PROGRAM_DIR}/${SNIPORA_ENCODER_NAME}"
     SYMBOLIC COPY_ON_ERROR)
# The prober lists keyframes for the smart cut; it sits beside the encoder.
string(REPLACE "ffmpeg" "ffprobe" SNIPORA_PROBER_NAME "${SNIPORA_ENCODER_NAME}")
file(CREATE_LINK "${SNIPORA_SYSTEM_FFPROBE}" "${SNIPORA_PROGRAM_DIR}/${SNIPORA_PROBER_NAME}"
     SYMBOLIC COPY_ON_ERROR)

# Copies a data file into the program folder, byte for byte (line ends kept).
function(snipora_install_to_program_folder source)
    get_filename_component(name "${source}" NAME)
    configure_file("${source}" "${SNIPORA_PROGRAM_DIR}/${name}" COPYONLY)
endfunction()
