# Turns the sort order tables of jet/index/sort-orders/ into string constants of orrin_jet
# (see jet/index/SortOrder.cpp).
set(ORRIN_SORT_ORDER_DIR ${CMAKE_CURRENT_SOURCE_DIR}/jet/index/sort-orders)
set(ORRIN_SORT_ORDER_CPP ${CMAKE_CURRENT_BINARY_DIR}/generated/SortOrderData.cpp)
set(ORRIN_SORT_ORDER_FILES index_codes_genleg.txt index_codes_ext_genleg.txt index_codes_gen.txt
                           index_codes_ext_gen.txt)
list(TRANSFORM ORRIN_SORT_ORDER_FILES PREPEND ${ORRIN_SORT_ORDER_DIR}/ OUTPUT_VARIABLE ORRIN_SORT_ORDER_PATHS)
add_custom_command(
  OUTPUT ${ORRIN_SORT_ORDER_CPP}
  COMMAND ${CMAKE_COMMAND} -DSORT_ORDER_DIR=${ORRIN_SORT_ORDER_DIR} -DOUT=${ORRIN_SORT_ORDER_CPP}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/jet/index/WriteSortOrders.cmake
  DEPENDS ${ORRIN_SORT_ORDER_PATHS} ${CMAKE_CURRENT_SOURCE_DIR}/jet/index/WriteSortOrders.cmake
  COMMENT "Embedding the text sort order tables")
target_sources(orrin_jet PRIVATE ${ORRIN_SORT_ORDER_CPP})
