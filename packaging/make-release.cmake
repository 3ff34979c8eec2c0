# Writes NimbralSetup.zip (holding the client package as NimbralSetup.deb), its manifest
# NimbralSetup.json and, with a signing key, the manifest's signature NimbralSetup.json.sig (the
# Ed25519 signature of the manifest's exact bytes, base64) next to the packages. Run by the
# "release" target.
#   cmake -DPACKAGES=DIR -DVERSION=V -DWEB_URL=URL [-DNOTES=TEXT] [-DSIGNING_KEY=PEM]
#         -P make-release.cmake
file(GLOB client_packages ${PACKAGES}/nimbral_${VERSION}_*.deb)
list(LENGTH client_packages count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one client package nimbral_${VERSION}_*.deb in ${PACKAGES}, found ${count}")
endif()
set(stage ${PACKAGES}/release-stage)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
file(COPY_FILE ${client_packages} ${stage}/NimbralSetup.deb)
file(REMOVE ${PACKAGES}/NimbralSetup.zip)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${PACKAGES}/NimbralSetup.zip --format=zip
        NimbralSetup.deb
    WORKING_DIRECTORY ${stage} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "could not write NimbralSetup.zip")
endif()
file(REMOVE_RECURSE ${stage})
file(SHA256 ${PACKAGES}/NimbralSetup.zip sha256)
string(REPLACE "\\" "\\\\" notes "${NOTES}")
string(REPLACE "\"" "\\\"" notes "${notes}")
string(REPLACE "\n" "\\n" notes "${notes}")
file(WRITE ${PACKAGES}/NimbralSetup.json "{
    \"version\": \"${VERSION}\",
    \"download_url\": \"${WEB_URL}/download/NimbralSetup.zip\",
    \"release_notes\": \"${notes}\",
    \"sha256\": \"${sha256}\"
}
")
file(REMOVE ${PACKAGES}/NimbralSetup.json.sig)
if(SIGNING_KEY)
    execute_process(COMMAND openssl pkeyutl -sign -rawin -inkey ${SIGNING_KEY}
            -in ${PACKAGES}/NimbralSetup.json -out ${PACKAGES}/NimbralSetup.json.sig.bin
        RESULT_VARIABLE failed ERROR_VARIABLE why)
    if(NOT failed)
        execute_process(COMMAND openssl base64 -A -in ${PACKAGES}/NimbralSetup.json.sig.bin
                -out ${PACKAGES}/NimbralSetup.json.sig
            RESULT_VARIABLE failed ERROR_VARIABLE why)
    endif()
    file(REMOVE ${PACKAGES}/NimbralSetup.json.sig.bin)
    if(failed)
        message(FATAL_ERROR "could not sign NimbralSetup.json with ${SIGNING_KEY} (an Ed25519 private key in PEM is needed): ${why}")
    endif()
    message(STATUS "Release ${VERSION}: ${PACKAGES}/NimbralSetup.zip (sha256 ${sha256}), NimbralSetup.json and NimbralSetup.json.sig")
else()
    message(WARNING "NimbralSetup.json is not signed (no -DNIMBRAL_RELEASE_SIGNING_KEY): clients refuse it")
    message(STATUS "Release ${VERSION}: ${PACKAGES}/NimbralSetup.zip (sha256 ${sha256}) and NimbralSetup.json")
endif()
