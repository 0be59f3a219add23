# The QML module "Velto" 1.0: the fourteen documents, ahead-of-time compiled, embedded under
# /qt/qml/Velto/. It is a static library so that the executable and the QML and end-to-end tests
# link the very same documents.
set(VELTO_DOCUMENTS
    qml/Main.qml
    qml/LoginView.qml
    qml/HomeView.qml
    qml/DiscoverView.qml
    qml/GigsView.qml
    qml/GigOrdersView.qml
    qml/ContestsView.qml
    qml/ProjectsView.qml
    qml/TeamsView.qml
    qml/ContractsView.qml
    qml/WalletView.qml
    qml/SkillsView.qml
    qml/NotificationsView.qml
    qml/MoreView.qml
)

# The shared parts the views are built from and the script helpers; the documents import them by
# relative path ("parts", "money.js"), so they stay out of qmldir. Every file of qml/parts/ and
# qml/*.js belongs here: a new part or script needs no line of its own.
file(GLOB VELTO_PARTS RELATIVE "${CMAKE_SOURCE_DIR}" CONFIGURE_DEPENDS
     "${CMAKE_SOURCE_DIR}/qml/parts/*.qml")
file(GLOB velto_plain_scripts RELATIVE "${CMAKE_SOURCE_DIR}" CONFIGURE_DEPENDS
     "${CMAKE_SOURCE_DIR}/qml/*.js")
configure_file(qml/serviceorigin.js.in "${CMAKE_CURRENT_BINARY_DIR}/qmlgen/serviceorigin.js" @ONLY)
set(VELTO_SCRIPTS ${velto_plain_scripts} "${CMAKE_CURRENT_BINARY_DIR}/qmlgen/serviceorigin.js")
set_source_files_properties("${CMAKE_CURRENT_BINARY_DIR}/qmlgen/serviceorigin.js"
    PROPERTIES QT_RESOURCE_ALIAS qml/serviceorigin.js)
set_source_files_properties(${VELTO_SCRIPTS} ${VELTO_PARTS} PROPERTIES QT_QML_SKIP_QMLDIR_ENTRY TRUE)

qt_add_library(velto_qml STATIC)
qt_add_qml_module(velto_qml
    URI Velto
    VERSION 1.0
    RESOURCE_PREFIX /qt/qml
    TYPEINFO DedevOv.qmltypes
    NO_PLUGIN
    OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/qml/Velto"
    QML_FILES ${VELTO_DOCUMENTS} ${VELTO_PARTS} ${VELTO_SCRIPTS}
)
target_link_libraries(velto_qml PUBLIC Qt6::Quick Qt6::QuickControls2)

qt_add_executable(velto WIN32 src/main.cpp)
target_link_libraries(velto PRIVATE velto_core velto_qml Qt6::Quick Qt6::QuickControls2)
