# Which library each folder under src/ feeds, and which libraries a library
# may use. A file may include headers of its own library and of the libraries
# below it; tools/ are checked as the libraries they link.
set(vrel_folders
    model protocol plot layout formats config recording
    survey
    mqtt
    pgarchive
    link
    session
    print
    ui settings graph files live logger surveywindow network app)

set(vrel_library_of_model vrelcore)
set(vrel_library_of_protocol vrelcore)
set(vrel_library_of_plot vrelcore)
set(vrel_library_of_layout vrelcore)
set(vrel_library_of_formats vrelcore)
set(vrel_library_of_config vrelcore)
set(vrel_library_of_recording vrelcore)
set(vrel_library_of_survey vrelsurvey)
set(vrel_library_of_mqtt vrelmqtt)
set(vrel_library_of_pgarchive vrelpgarchive)
set(vrel_library_of_link vrellink)
set(vrel_library_of_session vrelsession)
set(vrel_library_of_print vrelprint)
foreach(folder ui settings graph files live logger surveywindow network app)
    set(vrel_library_of_${folder} vrelui)
endforeach()

set(vrel_uses_vrelcore vrelcore)
set(vrel_uses_vrelsurvey vrelsurvey vrelcore)
set(vrel_uses_vrelmqtt vrelmqtt vrelsurvey vrelcore)
set(vrel_uses_vrelpgarchive vrelpgarchive vrelmqtt vrelsurvey vrelcore)
set(vrel_uses_vrellink vrellink vrelcore)
set(vrel_uses_vrelsession vrelsession vrellink vrelpgarchive vrelmqtt vrelsurvey vrelcore)
set(vrel_uses_vrelprint vrelprint vrelcore)
set(vrel_uses_vrelui vrelui vrelprint vrelsession vrellink vrelpgarchive vrelmqtt vrelsurvey vrelcore)
# The programs under tools/: the companion never links widgets.
set(vrel_uses_tools_cli vrelprint vrelsession vrellink vrelpgarchive vrelmqtt vrelsurvey vrelcore)
set(vrel_uses_tools_meter-sim vrellink vrelcore)
